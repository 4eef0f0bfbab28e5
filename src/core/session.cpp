#include "session.h"

namespace orvex {

Session::Session(const Ports& ports)
    : traffic(ports.link), io{ports.memo,   traffic,    ports.timers,     ports.panel,  ports.clock,
                              ports.events, ports.view, ports.automation, ports.preview} {}

void Session::Send(std::string_view name, std::span<const std::uint8_t> bytes,
                   LastPause lastPause) {
  BeginRequest(name);
  SendPart(bytes, lastPause);
  EndRequest();
}

void Session::SendPart(std::span<const std::uint8_t> bytes, LastPause lastPause) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    io.link.SendByte(bytes[i]);
    if (i + 1 < bytes.size() || lastPause == LastPause::Yes) io.link.Pause(kBytePauseMs);
  }
}

void Session::StartReplyTimeout() {
  state.timeoutSeconds = 0;
  state.timeoutLine = io.memo.LineCount();
  SetTimer(TimerId::ReplyTimeout, true);
}

}  // namespace orvex
