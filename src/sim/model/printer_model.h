#pragma once
// A simulated Orvex ticket printer, written from the printer's side of the
// serial protocol: bytes in, reply bursts out, on a clock that the caller
// gives (real time in orvex-sim, virtual time in the tests).
//
// This library depends on nothing of the tool's own code, so a test that
// passes through both checks the real wire bytes.

#include <cstdint>
#include <optional>
#include <vector>

namespace orvex::sim {

// One reply burst: bytes that leave the printer back to back, starting at atMs.
struct Burst {
  std::int64_t atMs = 0;
  std::vector<std::uint8_t> bytes;
};

enum class Variant { Wide20, Narrow18, Silent };

struct PrinterOptions {
  Variant variant = Variant::Wide20;
  // (more options are added as the printer learns more commands)
};

class PrinterModel {
 public:
  explicit PrinterModel(PrinterOptions options = {});

  // The tool opened the port: the printer announces itself (0x26).
  void PortOpened(std::int64_t nowMs);
  // One byte from the tool.
  void Receive(std::uint8_t byte, std::int64_t nowMs);
  // Time of the earliest burst not yet taken.
  std::optional<std::int64_t> NextBurstTime() const;
  // Removes and returns every burst due at nowMs, in order.
  std::vector<Burst> TakeDue(std::int64_t nowMs);
};

}  // namespace orvex::sim
