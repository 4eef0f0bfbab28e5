#include "core/session.h"

#include "core/link/link_control.h"

namespace orvex::core {

Session::Session(const Ports& ports)
    : traffic(ports.link), io{ports.memo,  traffic,           ports.timers,
                              ports.panel, ports.clock,       ports.events,
                              ports.view,  ports.spreadsheet, ports.preview} {}

bool Session::Send(std::string_view name, std::span<const std::uint8_t> bytes,
                   LastPause lastPause) {
  BeginRequest(name);
  const bool sent = SendPart(bytes, lastPause);
  EndRequest();
  return sent;
}

bool Session::SendPart(std::span<const std::uint8_t> bytes, LastPause lastPause) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!SendByte(bytes[i])) return false;
    if (i + 1 < bytes.size() || lastPause == LastPause::Yes) io.link.Pause(kBytePauseMs);
  }
  return true;
}

bool Session::SendByte(std::uint8_t byte) {
  ++bytesSent;  // tried: a byte the line refuses still means the command went out
  if (io.link.SendByte(byte)) return true;
  // The rest of the request would reach the printer garbled, if at all.
  LineStalled(*this);
  return false;
}

void Session::StartReplyTimeout() {
  state.timeoutSeconds = 0;
  state.timeoutLine = io.memo.LineCount();
  SetTimer(TimerId::ReplyTimeout, true);
}

}  // namespace orvex::core
