#pragma once
// --trace: every byte in and out, in hex, with the time since start.

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvex::sim {

class Trace {
 public:
  Trace(bool enabled, std::FILE* out) : enabled_(enabled), out_(out) {}
  void Received(std::int64_t nowMs, const std::uint8_t* bytes, std::size_t count);
  void Sent(std::int64_t nowMs, const std::uint8_t* bytes, std::size_t count);
  void Note(std::int64_t nowMs, const std::string& text);

 private:
  void Bytes(std::int64_t nowMs, const char* arrow, const std::uint8_t* bytes, std::size_t count);
  bool enabled_;
  std::FILE* out_;
};

}  // namespace orvex::sim
