#pragma once
// Fakes of the core's ports, for tests that run without Qt or a serial port.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ports.h"
#include "core/preview/preview_plan.h"
#include "core/records/spreadsheet.h"
#include "core/setup/setup_view.h"
#include "core/traffic/traffic.h"

namespace orvex::test {

class FakeMemo : public core::MessageWindow {
 public:
  void AppendLine(const std::string& text) override { lines.push_back(text); }
  void ReplaceLine(int index, const std::string& text) override;
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void ClearLines() override { lines.clear(); }

  // Lines from index on (the lines a command added after a mark).
  std::vector<std::string> From(int index) const;
  std::string Text() const;  // all lines joined with '\n', for failure output

  std::vector<std::string> lines;
};

class FakePanel : public core::PanelPort {
 public:
  void SetGauge(int percent) override { gauge.push_back(percent); }
  void ShowSymbolChooser(bool wide) override { chooserWide = wide; }
  void SetSymbolCheckEnabled(bool enabled) override { symbolCheckEnabled = enabled; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override;
  std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                            const std::string& defaultSuffix) override;

  std::vector<int> gauge;
  std::optional<bool> chooserWide;  // unset while no chooser is shown
  bool symbolCheckEnabled = false;
  std::vector<std::string> messages;
  // Answers of the file dialogs, first in first out; an empty queue cancels.
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::vector<std::string> dialogFilters;
};

class FakeClock : public core::ClockPort {
 public:
  core::LocalDateTime Now() const override { return now; }
  // dd/MM/yyyy, a fixed short date format for tests.
  std::string ShortDate(const core::CalendarDate& date) const override;
  char DecimalSeparator() const override { return separator; }

  core::LocalDateTime now{2015, 6, 30, 14, 5, 9};
  char separator = '.';
};

class FakeView : public core::SetupView {
 public:
  void RefreshSetup() override { ++refreshes; }
  bool ShowLogo(int slot) override {
    shownLogos.push_back(slot);
    return logoDecodes;
  }
  void BlankLogo(int slot) override { blankedLogos.push_back(slot); }

  int refreshes = 0;
  bool logoDecodes = true;
  std::vector<int> shownLogos;
  std::vector<int> blankedLogos;
};

class FakePreview : public core::PreviewPort {
 public:
  void ShowPreview(const core::PreviewPlan& plan) override { shown.push_back(plan); }
  std::vector<core::PreviewPlan> shown;
};

// Every step fails, as on a machine with no spreadsheet application.
using NoSpreadsheet = core::NoSpreadsheet;

// A spreadsheet on which every step goes through: handles are fresh, and
// nothing is kept. Lets the period export run its whole loop without a
// spreadsheet behind it.
class AcceptingSpreadsheet : public core::Spreadsheet {
 public:
  core::Obtained<core::SpreadsheetApp> Start() override { return core::SpreadsheetApp{++next_}; }
  core::Obtained<core::SpreadsheetApp> Attach() override { return core::SpreadsheetApp{++next_}; }
  core::SpreadsheetResult SetVisible(core::SpreadsheetApp, bool) override { return {}; }
  core::Obtained<core::WorkbookId> AddWorkbook(core::SpreadsheetApp) override {
    return core::WorkbookId{++next_};
  }
  core::SpreadsheetResult NameSheet(core::WorkbookId, const std::string&) override { return {}; }
  core::SpreadsheetResult SetColumnWidth(core::WorkbookId, int, double) override { return {}; }
  core::SpreadsheetResult SetCell(core::WorkbookId, int, int, const std::string&) override {
    return {};
  }
  core::SpreadsheetResult SaveAs(core::WorkbookId, const std::string&) override { return {}; }
  core::SpreadsheetResult CloseWorkbook(core::WorkbookId) override { return {}; }
  core::SpreadsheetResult Quit(core::SpreadsheetApp) override { return {}; }
  std::string ReportFolder() override { return "/nonexistent/"; }

 private:
  std::int64_t next_ = 0;
};

// Keeps every traffic entry, stamped by the given clock (0 without one).
class TrafficCapture : public core::TrafficObserver {
 public:
  std::int64_t TrafficNowUs() override { return clockUs ? clockUs() : 0; }
  void OnTraffic(const core::TrafficEntry& entry) override { entries.push_back(entry); }

  // "TX firmware query", "RX firmware reply", ... in line order.
  std::vector<std::string> Names() const;

  std::function<std::int64_t()> clockUs;
  std::vector<core::TrafficEntry> entries;
};

}  // namespace orvex::test
