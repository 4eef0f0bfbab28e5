#pragma once
// Where the printers' threads leave what they are doing, for the main
// thread to show: one row per printer and a queue of plain log lines. The
// main thread waits on notifyFd() (an eventfd) rather than polling.

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "provision_run.h"

namespace orvex::provision {

struct PrinterRow {
  std::string port;
  std::string activity;
  int percent = -1;  // the gauge of the download under way, -1 when none
  bool finished = false;
  std::chrono::steady_clock::time_point started;
  std::chrono::steady_clock::time_point ended;
};

class StatusBoard {
 public:
  explicit StatusBoard(const std::vector<std::string>& ports);
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

  mutable std::mutex mutex_;
  std::vector<PrinterRow> rows_;
  std::vector<std::string> events_;
  std::vector<std::unique_ptr<Sink>> sinks_;
  std::size_t finished_ = 0;
  int notifyFd_ = -1;
};

// The rows as a terminal shows them, each cut to `width` columns.
std::vector<std::string> FormatRows(const std::vector<PrinterRow>& rows, std::size_t width,
                                    std::chrono::steady_clock::time_point now);

}  // namespace orvex::provision
