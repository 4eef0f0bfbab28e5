#pragma once
// Where the printers' threads leave what they are doing, for the main
// thread to show: one row per printer and a queue of plain log lines. The
// main thread waits on notifyFd() (an eventfd) rather than polling.

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/printer_host.h"

namespace orvex::cli {

struct PrinterRow {
  std::string port;
  std::string activity;
  int percent = -1;      // the gauge of the download under way, -1 when none
  int waitSeconds = -1;  // the reply timeout's count, -1 when no reply is awaited
  bool finished = false;
  std::chrono::steady_clock::time_point started;
  std::chrono::steady_clock::time_point ended;
  // When the plain log last had a progress line of this printer.
  std::chrono::steady_clock::time_point progressToldAt;
};

// A gauge or a wait shows in the plain log at most this often per printer,
// so that a long download or a silent printer is never a silent minute.
constexpr std::chrono::seconds kPlainProgressEvery{5};

class StatusBoard {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  explicit StatusBoard(const std::vector<std::string>& ports, Clock clock = {});
  ~StatusBoard();
  StatusBoard(const StatusBoard&) = delete;
  StatusBoard& operator=(const StatusBoard&) = delete;

  ProgressSink& SinkFor(std::size_t printer);
  // Called by a printer's thread as its last act.
  void MarkFinished(std::size_t printer);

  int notifyFd() const { return notifyFd_; }
  // Clears the notification; call before reading the board.
  void ConsumeNotification();
  std::vector<PrinterRow> Rows() const;
  // "COM3: step 5 Coin Format: done ..." lines since the last call.
  std::vector<std::string> TakeEvents();
  std::size_t FinishedCount() const;

 private:
  class Sink;
  void Notify();
  // Under the mutex: a progress line for the plain log when one is due.
  void TellProgress(PrinterRow& row);

  Clock clock_;
  mutable std::mutex mutex_;
  std::vector<PrinterRow> rows_;
  std::vector<std::string> events_;
  std::vector<std::unique_ptr<Sink>> sinks_;
  std::size_t finished_ = 0;
  int notifyFd_ = -1;
};

// What a row says after its activity: "  35%", "  no answer for 12 s of 90"
// (the reply timeout); empty when neither.
std::string RowProgress(const PrinterRow& row);

// The rows as a terminal shows them, each cut to `width` columns (0: not
// cut): the activity first, so that what follows it stays whole.
std::vector<std::string> FormatRows(const std::vector<PrinterRow>& rows, std::size_t width,
                                    std::chrono::steady_clock::time_point now);

}  // namespace orvex::cli
