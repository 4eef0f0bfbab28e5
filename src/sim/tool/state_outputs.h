#pragma once
// Files orvex-sim keeps up to date for scripts: the state file and the
// stored logos as PBM images.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/model/printer_model.h"

namespace orvex::sim {

class StateOutputs {
 public:
  StateOutputs(std::optional<std::string> stateFile, std::optional<std::string> logoDir);
  // Writes what changed since the last call (everything on the first call).
  void Update(const PrinterModel& printer, std::int64_t nowMs);

 private:
  void Warn(const std::string& message);

  std::optional<std::string> stateFile_;
  std::optional<std::string> logoDir_;
  std::optional<std::uint64_t> lastCommands_;
  std::array<std::uint64_t, 3> lastLogoVersions_ = {0, 0, 0};
  bool warned_ = false;
};

}  // namespace orvex::sim
