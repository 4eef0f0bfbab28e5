#pragma once
// What the person at the terminal sees while the printers run: on a
// terminal one row per printer, rewritten in place; otherwise (or with
// --plain) every event as a line of its own. At the end the count; before
// it, on a terminal, one whole line for each printer that failed, since a
// row is cut at the terminal's width.

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "cli/printer_record.h"
#include "cli/status_board.h"

namespace orvex::cli {

class Display {
 public:
  // fd: the descriptor `out` writes to, asked whether it is a terminal.
  Display(StatusBoard& board, std::ostream& out, int fd, bool plain);

  bool rows() const { return rows_; }
  void Update(bool force);
  // Milliseconds until the next redraw is due; -1: only on news.
  int NextWaitMs() const;
  // The last redraw, a line for each failed printer (rows only) and the count.
  void Finish(const std::vector<const PrinterRecord*>& printers, bool stopped);

 private:
  StatusBoard& board_;
  std::ostream& out_;
  int fd_;
  bool rows_;
  int drawn_ = 0;
  std::chrono::steady_clock::time_point lastDraw_{};
};

// "3 printers: 2 succeeded, 1 failed"
std::string SummaryLine(const std::vector<const PrinterRecord*>& printers, bool stopped);

}  // namespace orvex::cli
