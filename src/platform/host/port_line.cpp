#include "platform/host/port_line.h"

namespace orvex::platform {

PortOpenResult PortLine::Open(const PortDevice& port, int cancelFd) {
  if (IsOpen()) return {false, "already open", port, {}};
  if (port.isAddress()) {
    active_ = &net_;
    return net_.Open(port, cancelFd);
  }
  active_ = &serial_;
  return serial_.Open(port);
}

void PortLine::Close() {
  serial_.Close();
  net_.Close();
}

}  // namespace orvex::platform
