#include "serial/serial_link.h"

namespace orvex::platform {

void SerialLink::BeginRequest() {
  port_.BeginRequest();
}

bool SerialLink::SendByte(std::uint8_t byte) {
  if (times_ != nullptr) times_->startNs.push_back(clock_.NowNs());
  const SerialPort::WriteStatus status = port_.WriteByte(byte);
  pacer_.WriteReturned();
  if (times_ != nullptr) times_->returnNs.push_back(pacer_.LastWriteNs());
  return status != SerialPort::WriteStatus::Stalled;
}

void SerialLink::Pause(int milliseconds) {
  pacer_.Pause(milliseconds);
}

}  // namespace orvex::platform
