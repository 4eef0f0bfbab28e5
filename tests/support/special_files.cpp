#include "special_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace orvex::test {

FifoWatchdog::FifoWatchdog(std::filesystem::path path, int patienceMs) : path_(std::move(path)) {
  if (mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo " + path_.string());
  thread_ = std::thread([this, patienceMs] { Watch(patienceMs); });
}

FifoWatchdog::~FifoWatchdog() {
  stop_ = true;
  thread_.join();
}

void FifoWatchdog::Watch(int patienceMs) {
  using namespace std::chrono;
  const auto due = steady_clock::now() + milliseconds(patienceMs);
  while (!stop_) {
    std::this_thread::sleep_for(milliseconds(20));
    if (steady_clock::now() < due) continue;
    // Opening the writing end without blocking succeeds only while a reader
    // waits; closing it at once gives that reader end of file.
    const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      rescued_ = true;
      close(fd);
    }
  }
}

}  // namespace orvex::test
