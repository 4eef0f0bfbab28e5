#include "session.h"

namespace orvex {

void Session::Send(std::span<const std::uint8_t> bytes, LastPause lastPause) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    SendByte(bytes[i]);
    if (i + 1 < bytes.size() || lastPause == LastPause::Yes) io.link.Pause(kBytePauseMs);
  }
}

void Session::StartReplyTimeout() {
  state.timeoutSeconds = 0;
  state.timeoutLine = io.memo.LineCount();
  SetTimer(TimerId::ReplyTimeout, true);
}

}  // namespace orvex
