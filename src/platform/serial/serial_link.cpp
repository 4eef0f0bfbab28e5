#include "serial/serial_link.h"

namespace orvex::platform {

void SerialLink::SendByte(std::uint8_t byte) {
  if (times_ != nullptr) times_->startNs.push_back(clock_.NowNs());
  port_.WriteByte(byte);
  pacer_.WriteReturned();
  if (times_ != nullptr) times_->returnNs.push_back(pacer_.LastWriteNs());
}

void SerialLink::Pause(int milliseconds) {
  pacer_.Pause(milliseconds);
}

}  // namespace orvex::platform
