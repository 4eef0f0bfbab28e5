#include "platform/host/background_open.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace orvex::platform {
namespace {

void Signal(int fd) {
  const std::uint64_t one = 1;
  if (fd >= 0) (void)!write(fd, &one, sizeof one);
}

}  // namespace

BackgroundOpen::BackgroundOpen(std::function<PortOpenResult(int cancelFd)> open)
    : doneFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      cancelFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  thread_ = std::thread([this, open = std::move(open)] {
    result_ = open(cancelFd_);
    Signal(doneFd_);
  });
}

BackgroundOpen::~BackgroundOpen() {
  Signal(cancelFd_);
  if (thread_.joinable()) thread_.join();
  if (doneFd_ >= 0) close(doneFd_);
  if (cancelFd_ >= 0) close(cancelFd_);
}

PortOpenResult BackgroundOpen::Take() {
  if (thread_.joinable()) thread_.join();
  std::uint64_t count = 0;
  (void)!read(doneFd_, &count, sizeof count);
  return result_;
}

}  // namespace orvex::platform
