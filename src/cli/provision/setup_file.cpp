#include "cli/provision/setup_file.h"

#include <algorithm>

#include "cli/headless_ports.h"
#include "core/formatfile/format_file.h"
#include "core/formats/settings.h"
#include "core/session.h"
#include "platform/host/system_clock.h"

namespace orvex::cli::provision {

namespace {

// Lines 10 to 12 of the file name the logos.
constexpr int kFirstLogoLine = 10;

// A loading session needs every port, though only the panel and the view
// are used: nothing is sent while a file is applied.
class NoLink : public core::LinkPort {
 public:
  bool SendByte(std::uint8_t) override { return true; }
  void Pause(int) override {}
};
class NoTimers : public core::TimerPort {
 public:
  void SetTimerEnabled(core::TimerId, bool) override {}
  bool TimerEnabled(core::TimerId) const override { return false; }
};
class NoEvents : public core::EventPump {
 public:
  void WaitWhile(const std::function<bool()>&) override {}
  void ProcessPendingEvents() override {}
};

}  // namespace

SetupLoad LoadSetup(const std::string& path) {
  SetupLoad load;
  auto problem = [&load, &path](const std::string& text) {
    load.problems.push_back(path + ": " + text);
  };
  // The window's reader, with its limits.
  const core::FormatFileRead read = core::ReadFormatFile(path);
  if (!read.file) {
    problem(read.problem);
    return load;
  }
  const core::FormatFile& file = *read.file;

  cli::LineList memo;
  NoLink link;
  NoTimers timers;
  cli::CollectingPanel panel;
  platform::SystemClock clock;
  NoEvents events;
  cli::NoSetupView view;
  core::NoSpreadsheet spreadsheet;
  cli::NoPreview preview;
  core::Session session(
      core::Ports{memo, link, timers, panel, clock, events, view, spreadsheet, preview});

  const auto stop = core::ApplyFormatFile(session, file);
  if (stop) problem(*stop + " (not a complete format file)");
  // Logo problems and the decimal range check come as message boxes.
  for (const std::string& message : panel.messages) problem(message);
  for (int slot = 1; slot <= 3 && !stop; ++slot) {
    const std::string& line = file.lines[static_cast<std::size_t>(kFirstLogoLine + slot - 2)];
    if (line.empty()) continue;
    const std::string named = core::LogoPathFromLine(line);
    if (session.setup.logos[static_cast<std::size_t>(slot - 1)].path != named) {
      problem("logo " + std::to_string(slot) + " is " + named);
    }
  }
  // Texts the printer cannot be sent: the batch would send no multipliers.
  const core::MultiplierSettings& m = session.setup.multipliers;
  for (const std::string* text : {&m.coin, &m.note, &m.payout, &m.decimals}) {
    if (core::ParseWholeNumber(*text)) continue;
    const std::string message = core::NotAnIntegerMessage(*text);
    if (std::find(panel.messages.begin(), panel.messages.end(), message) == panel.messages.end()) {
      problem(message);
    }
  }
  if (load.problems.empty()) load.setup = session.setup;
  return load;
}

}  // namespace orvex::cli::provision
