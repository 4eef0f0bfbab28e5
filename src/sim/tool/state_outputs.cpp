#include "sim/tool/state_outputs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sim/model/state_report.h"

namespace orvex::sim {

StateOutputs::StateOutputs(std::optional<std::string> stateFile, std::optional<std::string> logoDir)
    : stateFile_(std::move(stateFile)), logoDir_(std::move(logoDir)) {
  if (logoDir_) {
    std::error_code ec;
    std::filesystem::create_directories(*logoDir_, ec);
    if (ec) Warn("cannot create " + *logoDir_ + ": " + ec.message());
  }
}

void StateOutputs::Update(const PrinterModel& printer, std::int64_t nowMs) {
  if (logoDir_) {
    for (int slot = 1; slot <= 3; ++slot) {
      const std::uint64_t version = printer.logoVersion(slot);
      if (version == lastLogoVersions_[static_cast<size_t>(slot - 1)]) continue;
      lastLogoVersions_[static_cast<size_t>(slot - 1)] = version;
      const std::string path = *logoDir_ + "/logo" + std::to_string(slot) + ".pbm";
      std::string error;
      if (!WritePbmFile(*printer.logo(slot), path, &error)) Warn(error);
    }
  }
  if (!stateFile_ || lastCommands_ == printer.handledCommands()) return;
  lastCommands_ = printer.handledCommands();
  // Written beside and renamed over, so a reader never sees half a file.
  const std::string temporary = *stateFile_ + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << FormatState(printer, nowMs);
    out.close();
    if (!out) {
      Warn("cannot write " + temporary);
      return;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, *stateFile_, ec);
  if (ec) Warn("cannot write " + *stateFile_ + ": " + ec.message());
}

void StateOutputs::Warn(const std::string& message) {
  // Once is enough; the next failures are most likely the same.
  if (warned_) return;
  warned_ = true;
  std::fprintf(stderr, "orvex-sim: %s\n", message.c_str());
}

}  // namespace orvex::sim
