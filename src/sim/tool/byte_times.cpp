#include "sim/tool/byte_times.h"

#include <ctime>

namespace orvex::sim {

ByteTimes::ByteTimes(const std::optional<std::string>& path) {
  if (!path) return;
  file_ = std::fopen(path->c_str(), "w");
  ok_ = file_ != nullptr;
}

ByteTimes::~ByteTimes() {
  if (file_ != nullptr) std::fclose(file_);
}

void ByteTimes::Received(std::size_t count) {
  if (file_ == nullptr || count == 0) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
  for (std::size_t i = 0; i < count; ++i) std::fprintf(file_, "%lld\n", ns);
  std::fflush(file_);
}

}  // namespace orvex::sim
