// Exports a 2000-day period report through the embedded spreadsheet into a
// saved workbook and prints the wall time and the peak memory of the process.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/link/reply_dispatcher.h"
#include "core/records/period_workbook.h"
#include "platform/workbook/embedded_spreadsheet.h"

namespace {

using namespace orvex::core;

// Ports that do nothing but what the export needs.
class Memo : public MessageWindow {
 public:
  void AppendLine(const std::string& text) override { lines.push_back(text); }
  void ReplaceLine(int index, const std::string& text) override {
    if (index >= 0 && index < LineCount()) lines[static_cast<std::size_t>(index)] = text;
    if (index == LineCount()) lines.push_back(text);
  }
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void ClearLines() override { lines.clear(); }
  std::vector<std::string> lines;
};
class Quiet : public LinkPort,
              public TimerPort,
              public PanelPort,
              public EventPump,
              public SetupView,
              public PreviewPort {
 public:
  bool SendByte(std::uint8_t) override { return true; }
  void Pause(int) override {}
  void SetTimerEnabled(TimerId, bool) override {}
  bool TimerEnabled(TimerId) const override { return false; }
  void SetGauge(int) override {}
  void ShowSymbolChooser(bool) override {}
  void SetSymbolCheckEnabled(bool) override {}
  void ShowMessage(const std::string&) override {}
  std::optional<std::string> ChooseOpenFile(const std::string&) override { return {}; }
  std::optional<std::string> ChooseSaveFile(const std::string&, const std::string&) override {
    return {};
  }
  void WaitWhile(const std::function<bool()>&) override {}
  void ProcessPendingEvents() override {}
  void RefreshSetup() override {}
  bool ShowLogo(int) override { return false; }
  void BlankLogo(int) override {}
  void ShowPreview(const PreviewPlan&) override {}
};
class Clock : public ClockPort {
 public:
  LocalDateTime Now() const override { return {2015, 6, 30, 14, 5, 9}; }
  std::string ShortDate(const CalendarDate& d) const override {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", d.day, d.month, d.year);
    return text;
  }
  char DecimalSeparator() const override { return '.'; }
};

}  // namespace

int main() {
  char pattern[] = "/tmp/orvex-workbook-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = pattern;
  Memo memo;
  Quiet quiet;
  Clock clock;
  orvex::platform::workbook::EmbeddedSpreadsheet spreadsheet(folder);
  Session session(Ports{memo, quiet, quiet, quiet, clock, quiet, quiet, spreadsheet, quiet});

  // 1 January 2003 to 31 December 2010, every day with values of its own.
  std::vector<std::uint8_t> reply = {3, 1, 1, 10, 12, 31, 1, 2};
  for (std::uint32_t i = 0; i <= 2000; ++i) {
    const std::uint32_t values[3] = {i * 1013 + 7, i * 37, 5000000 - i};
    for (const std::uint32_t v : values) {
      for (int k = 0; k < 4; ++k) reply.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
    reply.push_back(static_cast<std::uint8_t>(i & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(i >> 8));
  }
  session.state.busy = true;
  session.pending.Set(Request::RecordSearch);

  const auto start = std::chrono::steady_clock::now();
  ReplyDispatcher(session, reply);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const std::string file = folder + "/" + PeriodWorkbookName(clock.Now());
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  const bool saved = !error && memo.lines.size() >= 3 &&
                     memo.lines[memo.lines.size() - 3] == "Finish outputing EXCEL file.";

  std::printf("workbook export: 2000 days, %s, %ju bytes\n", saved ? "saved" : "NOT SAVED",
              static_cast<std::uintmax_t>(error ? 0 : size));
  std::printf("wall time: %.3f s (goal < 0.3 s)\n", seconds);
  std::printf("peak RSS: %.1f MB (goal < 50 MB)\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::filesystem::remove_all(folder, error);
  return saved ? 0 : 1;
}
