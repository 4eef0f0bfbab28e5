#include "cli/display.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/text/escaped_text.h"

namespace orvex::cli {

namespace {

constexpr int kRedrawMs = 100;     // at most this often on a terminal
constexpr int kClockTickMs = 500;  // the rows' running times

std::size_t TerminalWidth(int fd) {
  winsize size{};
  if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col - 1;
  return 79;
}

bool UseTerminalRows(bool plain, int fd) {
  if (plain || isatty(fd) == 0) return false;
  const char* term = std::getenv("TERM");
  return term == nullptr || std::strcmp(term, "dumb") != 0;
}

}  // namespace

Display::Display(StatusBoard& board, std::ostream& out, int fd, bool plain)
    : board_(board), out_(out), fd_(fd), rows_(UseTerminalRows(plain, fd)) {}

void Display::Update(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!rows_) {
    for (const std::string& line : board_.TakeEvents()) out_ << line << '\n';
    out_.flush();
    return;
  }
  board_.TakeEvents();  // the rows say it in place
  if (!force && now - lastDraw_ < std::chrono::milliseconds(kRedrawMs)) return;
  lastDraw_ = now;
  std::string out;
  if (drawn_ > 0) out += "\x1b[" + std::to_string(drawn_) + "A";
  const auto lines = FormatRows(board_.Rows(), TerminalWidth(fd_), now);
  for (const std::string& line : lines) out += "\r\x1b[K" + line + "\n";
  drawn_ = static_cast<int>(lines.size());
  out_ << out << std::flush;
}

int Display::NextWaitMs() const {
  return rows_ ? kClockTickMs : -1;
}

void Display::Finish(const std::vector<const PrinterRecord*>& printers, bool stopped) {
  Update(true);
  // Plain lines told each failure whole already, as it came.
  for (const PrinterRecord* printer : printers) {
    if (!rows_ || printer->outcome != Outcome::Failed) continue;
    out_ << core::EscapeControls(printer->port)
         << ": FAILED: " << core::EscapeControls(printer->reason) << '\n';
  }
  out_ << SummaryLine(printers, stopped) << '\n' << std::flush;
}

std::string SummaryLine(const std::vector<const PrinterRecord*>& printers, bool stopped) {
  std::size_t succeeded = 0;
  for (const PrinterRecord* printer : printers) {
    if (printer->outcome == Outcome::Succeeded) ++succeeded;
  }
  return std::to_string(printers.size()) + (printers.size() == 1 ? " printer: " : " printers: ") +
         std::to_string(succeeded) + " succeeded, " + std::to_string(printers.size() - succeeded) +
         (stopped ? " failed or interrupted" : " failed");
}

}  // namespace orvex::cli
