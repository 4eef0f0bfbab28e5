#pragma once
// Writes the traffic log's lines on a thread of its own, so that a slow or
// failing disk never holds up the bytes paced to the printer.
//
// Day files: <folder>/YYYY-MM-DD.log, plain UTF-8, one line per request or
// read. At start, files of days more than keepDays before today are removed.
// The folder never holds more than maxFolderBytes: when a write would pass
// the limit, the files of the oldest days give way first. Today's file rolls
// over to YYYY-MM-DD-earlier.log (replacing an earlier one) when it reaches
// half the limit, so that a day that alone fills the folder keeps its newest
// traffic: about half the limit of it at least (less one chunk of lines).
//
// A write that fails (disk full, read-only, folder gone) ends the file
// writing until the next start: the failure handler is called once, with the
// reason, and later lines go to the trace stream only.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvex::platform {

// $XDG_STATE_HOME/orvex-tool/traffic (default ~/.local/state/orvex-tool/traffic).
std::string TrafficFolder();

struct TrafficFileLimits {
  int keepDays = 30;
  std::uint64_t maxFolderBytes = 100ull * 1024 * 1024;
};

class TrafficWriter {
 public:
  using FailureHandler = std::function<void(const std::string& reason)>;

  TrafficWriter() = default;
  // Writes what is queued, then ends the thread.
  ~TrafficWriter();
  TrafficWriter(const TrafficWriter&) = delete;
  TrafficWriter& operator=(const TrafficWriter&) = delete;

  // Called once, on the writer's thread, when the files can no longer be
  // written. Set it before StartFiles.
  void SetFailureHandler(FailureHandler handler);
  // Writes day files into folder (made if missing). today is "YYYY-MM-DD",
  // the local date; the old files are removed on the writer's thread.
  void StartFiles(const std::string& folder, const std::string& today,
                  TrafficFileLimits limits = {});
  // Also writes every line to this descriptor (standard error for --trace).
  // A write there that fails (a pipe nobody reads) ends the trace alone.
  void StartTrace(int fd);

  // Queues one line (without its line end) for the file of its day. Never
  // waits for the disk. A writer that was never started drops it.
  void Write(const std::string& day, const std::string& line);

  // Waits until every queued line is written, at most timeoutMs; returns
  // whether they all are.
  bool Flush(int timeoutMs);
  // The files have failed (and are written no more) since the start.
  bool FilesFailed() const;

 private:
  struct Line {
    std::string day;
    std::string text;
  };

  void EnsureThread();
  void Run();
  void WriteBatch(const std::vector<Line>& batch, std::size_t dropped);
  void RemoveOldFiles();
  bool WriteChunk(const std::string& day, const std::string& chunk);
  bool OpenDay(const std::string& day);
  bool MakeRoom(std::uint64_t bytes);
  bool RollToday();
  void Fail(const std::string& reason);
  void CloseDay();

  // Shared with the writing thread.
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::vector<Line> queue_;
  std::size_t queuedBytes_ = 0;
  std::size_t dropped_ = 0;
  bool busy_ = false;
  bool stop_ = false;
  bool filesOn_ = false;
  bool filesStarting_ = false;
  bool filesFailed_ = false;
  int traceFd_ = -1;
  FailureHandler onFailure_;
  std::thread thread_;

  // The writing thread's own.
  std::string folder_;
  std::string today_;
  TrafficFileLimits limits_;
  std::string openDay_;
  int fd_ = -1;
  std::uint64_t daySize_ = 0;
  std::uint64_t folderBytes_ = 0;
};

}  // namespace orvex::platform
