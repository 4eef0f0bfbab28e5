#include "platform/traffic/traffic_writer.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/xdg/xdg_folders.h"

namespace orvex::platform {

namespace {

namespace fs = std::filesystem;

// Beyond this much text waiting for the disk, lines are counted, not kept.
constexpr std::size_t kMaxQueuedBytes = 16u * 1024 * 1024;
constexpr std::size_t kChunkBytes = 64u * 1024;
constexpr const char* kEarlierSuffix = "-earlier.log";

// Days since 1970-01-01 of "YYYY-MM-DD", or nullopt.
std::optional<int> DayNumber(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const int y = std::stoi(text.substr(0, 4));
  const unsigned m = static_cast<unsigned>(std::stoi(text.substr(5, 2)));
  const unsigned d = static_cast<unsigned>(std::stoi(text.substr(8, 2)));
  const std::chrono::year_month_day date{std::chrono::year{y}, std::chrono::month{m},
                                         std::chrono::day{d}};
  if (!date.ok()) return std::nullopt;
  return std::chrono::sys_days{date}.time_since_epoch().count();
}

// The day of one of the log's own files ("2024-05-01.log",
// "2024-05-01-earlier.log"); nullopt for any other name.
std::optional<std::string> DayOfLogFile(const std::string& name) {
  if (name.size() == 14 && name.ends_with(".log")) {
    if (DayNumber(name.substr(0, 10))) return name.substr(0, 10);
  }
  if (name.size() == 10 + std::strlen(kEarlierSuffix) && name.ends_with(kEarlierSuffix)) {
    if (DayNumber(name.substr(0, 10))) return name.substr(0, 10);
  }
  return std::nullopt;
}

std::string Reason(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

// The log's own files, oldest first: by day, a day's earlier part before
// its file (which is also the order of their names).
std::vector<std::string> LogFilesOldestFirst(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (DayOfLogFile(name) && it->is_regular_file(error)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::uint64_t FileSize(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<std::uint64_t>(info.st_size);
}

std::uint64_t FolderBytes(const std::string& folder) {
  std::uint64_t total = 0;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    total += FileSize(it->path().string());
  }
  return total;
}

void WriteAll(int fd, const char* data, std::size_t size, int& error) {
  error = 0;
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = written < 0 ? errno : ENOSPC;
      return;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

}  // namespace

std::string TrafficFolder() {
  return StateHome() + "/orvex-tool/traffic";
}

TrafficWriter::~TrafficWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  CloseDay();
}

void TrafficWriter::SetFailureHandler(FailureHandler handler) {
  std::lock_guard lock(mutex_);
  onFailure_ = std::move(handler);
}

void TrafficWriter::StartFiles(const std::string& folder, const std::string& today,
                               TrafficFileLimits limits) {
  {
    std::lock_guard lock(mutex_);
    if (filesOn_) return;
    filesOn_ = true;
    filesStarting_ = true;
    folder_ = folder;
    today_ = today;
    limits_ = limits;
    EnsureThread();
  }
  wake_.notify_one();
}

void TrafficWriter::StartTrace(int fd) {
  std::lock_guard lock(mutex_);
  traceFd_ = fd;
  EnsureThread();
}

void TrafficWriter::EnsureThread() {
  if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void TrafficWriter::Write(const std::string& day, const std::string& line) {
  {
    std::lock_guard lock(mutex_);
    if ((!filesOn_ || filesFailed_) && traceFd_ < 0) return;
    if (queuedBytes_ > kMaxQueuedBytes) {
      ++dropped_;
      return;
    }
    queue_.push_back({day, line});
    queuedBytes_ += line.size() + 1;
  }
  wake_.notify_one();
}

bool TrafficWriter::Flush(int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) return queue_.empty();
  return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return queue_.empty() && !busy_ && !filesStarting_; });
}

bool TrafficWriter::FilesFailed() const {
  std::lock_guard lock(mutex_);
  return filesFailed_;
}

void TrafficWriter::Run() {
  // A trace into a pipe whose reader has gone (--trace 2> >(head)) must end
  // the trace, not the program: with SIGPIPE blocked on this thread the
  // write fails with EPIPE instead.
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || filesStarting_ || !queue_.empty(); });
    busy_ = true;
    if (filesStarting_) {
      lock.unlock();
      RemoveOldFiles();
      lock.lock();
      filesStarting_ = false;
    }
    std::vector<Line> batch = std::move(queue_);
    queue_.clear();
    queuedBytes_ = 0;
    const std::size_t dropped = dropped_;
    dropped_ = 0;
    if (!batch.empty() || dropped > 0) {
      lock.unlock();
      WriteBatch(batch, dropped);
      lock.lock();
    }
    busy_ = false;
    if (queue_.empty()) {
      idle_.notify_all();
      if (stop_) return;
    }
  }
}

void TrafficWriter::WriteBatch(const std::vector<Line>& batch, std::size_t dropped) {
  int traceFd = -1;
  bool files = false;
  std::string today;
  {
    std::lock_guard lock(mutex_);
    traceFd = traceFd_;
    files = filesOn_ && !filesFailed_;
    today = today_;
  }
  std::vector<Line> lines;
  const std::vector<Line>* all = &batch;
  if (dropped > 0) {
    // Said in the log itself, where the gap is.
    lines.push_back(
        {batch.empty() ? today : batch.front().day,
         "(" + std::to_string(dropped) + " lines were not written: the disk did not keep up)"});
    lines.insert(lines.end(), batch.begin(), batch.end());
    all = &lines;
  }

  if (traceFd >= 0) {
    std::string text;
    for (const Line& line : *all) text += line.text + '\n';
    int error = 0;
    WriteAll(traceFd, text.data(), text.size(), error);
    if (error != 0) {
      // Nobody reads it any more; the files go on.
      std::lock_guard lock(mutex_);
      if (traceFd_ == traceFd) traceFd_ = -1;
    }
  }
  if (!files) return;

  // Lines of one day go out in chunks, each checked against the limit.
  const std::size_t chunkLimit =
      std::max<std::size_t>(1, std::min<std::uint64_t>(kChunkBytes, limits_.maxFolderBytes / 8));
  std::string chunk;
  std::string day;
  for (const Line& line : *all) {
    if (!chunk.empty() && (line.day != day || chunk.size() + line.text.size() + 1 > chunkLimit)) {
      if (!WriteChunk(day, chunk)) return;
      chunk.clear();
    }
    day = line.day;
    chunk += line.text;
    chunk += '\n';
  }
  if (!chunk.empty()) WriteChunk(day, chunk);
}

void TrafficWriter::RemoveOldFiles() {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (error || !fs::is_directory(folder_, error)) {
    Fail(Reason("cannot make the folder " + folder_, error ? error.value() : ENOTDIR));
    return;
  }
  const auto today = DayNumber(today_);
  for (const std::string& name : LogFilesOldestFirst(folder_)) {
    const auto day = DayNumber(*DayOfLogFile(name));
    if (today && *today - *day > limits_.keepDays) {
      if (::unlink((folder_ + "/" + name).c_str()) != 0) {
        Fail(Reason("cannot remove the old file " + name, errno));
        return;
      }
    }
  }
  folderBytes_ = FolderBytes(folder_);
  MakeRoom(0);
}

bool TrafficWriter::OpenDay(const std::string& day) {
  CloseDay();
  const std::string path = folder_ + "/" + day + ".log";
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    Fail(Reason("cannot open " + path, errno));
    return false;
  }
  struct stat info {};
  const bool existed = fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
  daySize_ = existed ? static_cast<std::uint64_t>(info.st_size) : 0;
  openDay_ = day;
  return true;
}

void TrafficWriter::CloseDay() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  openDay_.clear();
  daySize_ = 0;
}

bool TrafficWriter::WriteChunk(const std::string& day, const std::string& chunk) {
  if (day != openDay_ && !OpenDay(day)) return false;
  const std::uint64_t size = chunk.size();
  if (daySize_ > 0 && daySize_ + size > limits_.maxFolderBytes / 2 && !RollToday()) return false;
  if (!MakeRoom(size)) return false;
  int error = 0;
  WriteAll(fd_, chunk.data(), chunk.size(), error);
  if (error != 0) {
    Fail(Reason("cannot write " + folder_ + "/" + day + ".log", error));
    return false;
  }
  daySize_ += size;
  folderBytes_ += size;
  return true;
}

bool TrafficWriter::RollToday() {
  const std::string day = openDay_;
  const std::string path = folder_ + "/" + day + ".log";
  const std::string earlier = folder_ + "/" + day + kEarlierSuffix;
  const std::uint64_t replaced = FileSize(earlier);
  CloseDay();
  if (::rename(path.c_str(), earlier.c_str()) != 0) {
    Fail(Reason("cannot rename " + path, errno));
    return false;
  }
  folderBytes_ -= std::min(folderBytes_, replaced);
  return OpenDay(day);
}

bool TrafficWriter::MakeRoom(std::uint64_t bytes) {
  bool recounted = false;
  while (folderBytes_ + bytes > limits_.maxFolderBytes) {
    std::string victim;
    for (const std::string& name : LogFilesOldestFirst(folder_)) {
      if (name != openDay_ + ".log") {
        victim = name;
        break;
      }
    }
    if (victim.empty()) {
      // Others may have removed files meanwhile: count once more before
      // giving up.
      if (!recounted) {
        recounted = true;
        folderBytes_ = FolderBytes(folder_);
        continue;
      }
      Fail("the folder " + folder_ + " is full (at most " +
           std::to_string(limits_.maxFolderBytes / (1024 * 1024)) + " MB)");
      return false;
    }
    const std::string path = folder_ + "/" + victim;
    const std::uint64_t size = FileSize(path);
    if (::unlink(path.c_str()) != 0) {
      Fail(Reason("cannot remove " + path, errno));
      return false;
    }
    folderBytes_ -= std::min(folderBytes_, size);
  }
  return true;
}

void TrafficWriter::Fail(const std::string& reason) {
  CloseDay();
  FailureHandler handler;
  {
    std::lock_guard lock(mutex_);
    if (filesFailed_) return;
    filesFailed_ = true;
    handler = onFailure_;
  }
  if (handler) handler(reason);
}

}  // namespace orvex::platform
