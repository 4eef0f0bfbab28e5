#include "cli/status_board.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core/link/link_control.h"
#include "core/text/escaped_text.h"

namespace orvex::cli {

// What the printers' threads say goes to a terminal: texts from outside in
// it (a process name in a port problem, say) must not act on it.
class StatusBoard::Sink : public ProgressSink {
 public:
  Sink(StatusBoard& board, std::size_t index) : board_(board), index_(index) {}

  void Activity(const std::string& text) override {
    {
      std::lock_guard lock(board_.mutex_);
      PrinterRow& row = board_.rows_[index_];
      row.activity = core::EscapeControls(text);
      row.percent = -1;
      row.waitSeconds = -1;
      // The first progress of a new activity waits its turn too.
      row.progressToldAt = board_.clock_();
    }
    board_.Notify();
  }
  void Progress(int percent) override {
    {
      std::lock_guard lock(board_.mutex_);
      PrinterRow& row = board_.rows_[index_];
      percent = std::clamp(percent, 0, 100);
      if (row.percent == percent) return;
      row.percent = percent;
      board_.TellProgress(row);
    }
    board_.Notify();
  }
  void Waiting(int seconds) override {
    {
      std::lock_guard lock(board_.mutex_);
      PrinterRow& row = board_.rows_[index_];
      if (row.waitSeconds == seconds) return;
      row.waitSeconds = seconds;
      if (seconds >= 0) board_.TellProgress(row);
    }
    board_.Notify();
  }
  void Event(const std::string& text) override {
    {
      std::lock_guard lock(board_.mutex_);
      board_.events_.push_back(board_.rows_[index_].port + ": " + core::EscapeControls(text));
    }
    board_.Notify();
  }

 private:
  StatusBoard& board_;
  std::size_t index_;
};

StatusBoard::StatusBoard(const std::vector<std::string>& ports, Clock clock)
    : clock_(clock ? std::move(clock) : Clock(std::chrono::steady_clock::now)) {
  const auto now = clock_();
  for (std::size_t i = 0; i < ports.size(); ++i) {
    rows_.push_back({ports[i], "waiting", -1, -1, false, now, now, now});
    sinks_.push_back(std::make_unique<Sink>(*this, i));
  }
  notifyFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

ProgressSink& StatusBoard::SinkFor(std::size_t printer) {
  return *sinks_[printer];
}

StatusBoard::~StatusBoard() {
  if (notifyFd_ >= 0) close(notifyFd_);
}

void StatusBoard::Notify() {
  const std::uint64_t one = 1;
  (void)!write(notifyFd_, &one, sizeof one);
}

void StatusBoard::TellProgress(PrinterRow& row) {
  const auto now = clock_();
  if (now - row.progressToldAt < kPlainProgressEvery) return;
  row.progressToldAt = now;
  events_.push_back(row.port + ": " + row.activity + ":" + RowProgress(row).substr(1));
}

void StatusBoard::ConsumeNotification() {
  std::uint64_t count = 0;
  (void)!read(notifyFd_, &count, sizeof count);
}

void StatusBoard::MarkFinished(std::size_t printer) {
  {
    std::lock_guard lock(mutex_);
    rows_[printer].finished = true;
    rows_[printer].ended = clock_();
    ++finished_;
  }
  Notify();
}

std::vector<PrinterRow> StatusBoard::Rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

std::vector<std::string> StatusBoard::TakeEvents() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> taken;
  taken.swap(events_);
  return taken;
}

std::size_t StatusBoard::FinishedCount() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

std::string RowProgress(const PrinterRow& row) {
  std::string text;
  if (row.percent >= 0) text += "  " + std::to_string(row.percent) + "%";
  if (row.waitSeconds >= 0) {
    text += "  no answer for " + std::to_string(row.waitSeconds) + " s of " +
            std::to_string(core::kReplyTimeoutSeconds);
  }
  return text;
}

namespace {

// Cuts text to at most `width` bytes, never inside a character.
void CutAt(std::string& text, std::size_t width) {
  if (text.size() <= width) return;
  std::size_t cut = width;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
}

}  // namespace

std::vector<std::string> FormatRows(const std::vector<PrinterRow>& rows, std::size_t width,
                                    std::chrono::steady_clock::time_point now) {
  std::size_t portWidth = 4;
  for (const PrinterRow& row : rows) portWidth = std::max(portWidth, row.port.size());
  std::vector<std::string> lines;
  for (const PrinterRow& row : rows) {
    const auto end = row.finished ? row.ended : now;
    const double seconds = std::chrono::duration<double>(end - row.started).count();
    char time[32];
    std::snprintf(time, sizeof time, "%6.1f s  ", seconds);
    std::string line = row.port;
    line.append(portWidth + 2 - row.port.size(), ' ');
    line += time;
    std::string activity = row.activity;
    const std::string progress = RowProgress(row);
    // Too wide: the activity gives way first, so the gauge and the running
    // count of the reply timeout stay whole.
    if (width > 0 && line.size() + activity.size() + progress.size() > width) {
      const std::size_t room =
          width > line.size() + progress.size() ? width - line.size() - progress.size() : 0;
      CutAt(activity, room);
    }
    line += activity;
    line += progress;
    if (width > 0) CutAt(line, width);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace orvex::cli
