#include "platform/host/paced_link.h"

namespace orvex::platform {

void PacedLink::BeginRequest() {
  if (line_ != nullptr) line_->BeginRequest();
}

bool PacedLink::SendByte(std::uint8_t byte) {
  if (times_ != nullptr) times_->startNs.push_back(clock_.NowNs());
  const Line::WriteStatus status =
      line_ != nullptr ? line_->WriteByte(byte) : Line::WriteStatus::Gone;
  pacer_.WriteReturned();
  if (times_ != nullptr) times_->returnNs.push_back(pacer_.LastWriteNs());
  return status != Line::WriteStatus::Stalled;
}

void PacedLink::Pause(int milliseconds) {
  pacer_.Pause(milliseconds);
}

}  // namespace orvex::platform
