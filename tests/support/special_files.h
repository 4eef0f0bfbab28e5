#pragma once
// FIFOs for tests of code that must never wait on one.

#include <atomic>
#include <filesystem>
#include <thread>

namespace orvex::test {

// A FIFO at `path` (created here) and a watchdog for it: should anything
// still wait to open or read it after `patienceMs`, the watchdog opens the
// other end and closes it again, so that the wait ends (with end of file)
// instead of hanging the test, and remembers that it had to.
class FifoWatchdog {
 public:
  explicit FifoWatchdog(std::filesystem::path path, int patienceMs = 3000);
  ~FifoWatchdog();
  FifoWatchdog(const FifoWatchdog&) = delete;
  FifoWatchdog& operator=(const FifoWatchdog&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Whether something blocked on the FIFO so far.
  bool HadToRescue() const { return rescued_; }

 private:
  void Watch(int patienceMs);

  std::filesystem::path path_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> rescued_{false};
  std::thread thread_;
};

}  // namespace orvex::test
