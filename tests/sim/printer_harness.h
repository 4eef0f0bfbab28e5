#pragma once
// Drives a PrinterModel on virtual time the way the tool does: bytes 10 ms
// apart, replies collected as they fall due.

#include <cstdint>
#include <vector>

#include "sim/model/printer_model.h"

namespace orvex::sim::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

class Harness {
 public:
  explicit Harness(PrinterOptions options = {}, std::int64_t startMs = 1000)
      : printer(std::move(options)), nowMs(startMs) {}

  // Sends the bytes with `pauseMs` between two bytes (none after the last).
  void Send(const Bytes& bytes, int pauseMs = 10) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (i > 0) nowMs += pauseMs;
      printer.Receive(bytes[i], nowMs);
    }
  }

  // Advances the clock by ms and returns the bursts that fell due meanwhile.
  std::vector<Burst> Advance(std::int64_t ms) {
    nowMs += ms;
    return printer.TakeDue(nowMs);
  }

  // Takes every burst still scheduled, moving the clock to the last one.
  std::vector<Burst> Drain() {
    std::vector<Burst> all;
    while (const std::optional<std::int64_t> next = printer.NextBurstTime()) {
      if (*next > nowMs) nowMs = *next;
      for (Burst& burst : printer.TakeDue(nowMs)) all.push_back(std::move(burst));
    }
    return all;
  }

  // Sends a request and returns the bytes of its single reply burst, or an
  // empty vector when there was no reply or more than one.
  Bytes Ask(const Bytes& request) {
    Send(request);
    const std::vector<Burst> bursts = Drain();
    return bursts.size() == 1 ? bursts[0].bytes : Bytes{};
  }

  PrinterModel printer;
  std::int64_t nowMs;
};

}  // namespace orvex::sim::testing
