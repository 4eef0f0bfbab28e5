#include "sim/tool/trace.h"

namespace orvex::sim {

void Trace::Received(std::int64_t nowMs, const std::uint8_t* bytes, std::size_t count) {
  Bytes(nowMs, "<-", bytes, count);
}

void Trace::Sent(std::int64_t nowMs, const std::uint8_t* bytes, std::size_t count) {
  Bytes(nowMs, "->", bytes, count);
}

void Trace::Note(std::int64_t nowMs, const std::string& text) {
  if (!enabled_) return;
  std::fprintf(out_, "[%6lld.%03lld] %s\n", static_cast<long long>(nowMs / 1000),
               static_cast<long long>(nowMs % 1000), text.c_str());
  std::fflush(out_);
}

void Trace::Bytes(std::int64_t nowMs, const char* arrow, const std::uint8_t* bytes,
                  std::size_t count) {
  if (!enabled_ || count == 0) return;
  // 32 bytes a line keeps a 30000-byte burst readable.
  for (std::size_t start = 0; start < count; start += 32) {
    std::fprintf(out_, "[%6lld.%03lld] %s", static_cast<long long>(nowMs / 1000),
                 static_cast<long long>(nowMs % 1000), arrow);
    for (std::size_t i = start; i < count && i < start + 32; ++i)
      std::fprintf(out_, " %02X", bytes[i]);
    std::fputc('\n', out_);
  }
  std::fflush(out_);
}

}  // namespace orvex::sim
