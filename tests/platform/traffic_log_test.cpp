// The traffic log's day files: where they live, the files removed at start,
// the folder's size limit, a write that fails, and the lines written.
#include "platform/traffic/traffic_log.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "bitmaps.h"
#include "platform/traffic/traffic_writer.h"
#include "scoped_env.h"

namespace orvex::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::uintmax_t FolderSize(const fs::path& folder) {
  std::uintmax_t total = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) total += entry.file_size();
  }
  return total;
}

std::vector<std::string> FileLines(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A line of exactly `length` characters (plus its line end) numbered n.
std::string NumberedLine(int n, std::size_t length) {
  std::string line = "line " + std::to_string(n) + " ";
  line.resize(length, 'x');
  return line;
}

using test::ScopedEnv;

// Failures reported by the writer, from its own thread.
struct FailureLog {
  void operator()(const std::string& reason) {
    std::lock_guard lock(mutex);
    reasons.push_back(reason);
  }
  std::vector<std::string> Reasons() {
    std::lock_guard lock(mutex);
    return reasons;
  }
  std::mutex mutex;
  std::vector<std::string> reasons;
};

TEST(TrafficFolder, FollowsXdgStateHome) {
  ScopedEnv home("HOME", "/home/tech");
  {
    ScopedEnv state("XDG_STATE_HOME", "/var/state");
    EXPECT_EQ(TrafficFolder(), "/var/state/orvex-tool/traffic");
  }
  {
    ScopedEnv state("XDG_STATE_HOME", nullptr);
    EXPECT_EQ(TrafficFolder(), "/home/tech/.local/state/orvex-tool/traffic");
  }
  {
    // A relative path is not a valid XDG folder.
    ScopedEnv state("XDG_STATE_HOME", "state");
    EXPECT_EQ(TrafficFolder(), "/home/tech/.local/state/orvex-tool/traffic");
  }
}

TEST(TrafficWriter, RemovesFilesOlderThanThirtyDaysAtStart) {
  const fs::path folder = test::TempFolder("traffic-retention");
  for (const char* name :
       {"2025-01-01.log", "2025-01-29.log", "2025-01-29-earlier.log", "2025-01-30.log",
        "2025-02-28.log", "2024-12-31.log", "notes.txt", "2025-13-01.log", "2025-01-01.log.bak"}) {
    test::WriteFile(folder / name, "old\n");
  }
  {
    TrafficWriter writer;
    writer.StartFiles(folder.string(), "2025-03-01");
    writer.Write("2025-03-01", "first line of the day");
    ASSERT_TRUE(writer.Flush(5000));
    EXPECT_FALSE(writer.FilesFailed());
  }
  // 2025-01-30 is thirty days before 2025-03-01 and stays; the day before
  // goes. Files that are not the log's own are left alone.
  EXPECT_THAT(Names(folder), ElementsAre("2025-01-01.log.bak", "2025-01-30.log", "2025-02-28.log",
                                         "2025-03-01.log", "2025-13-01.log", "notes.txt"));
  EXPECT_THAT(FileLines(folder / "2025-03-01.log"), ElementsAre("first line of the day"));

  // A second run appends to the day's file.
  TrafficWriter again;
  again.StartFiles(folder.string(), "2025-03-01");
  again.Write("2025-03-01", "second run");
  ASSERT_TRUE(again.Flush(5000));
  EXPECT_THAT(FileLines(folder / "2025-03-01.log"),
              ElementsAre("first line of the day", "second run"));
}

TEST(TrafficWriter, OneFilePerDayAcrossMidnight) {
  const fs::path folder = test::TempFolder("traffic-midnight");
  TrafficWriter writer;
  writer.StartFiles(folder.string(), "2025-03-01");
  writer.Write("2025-03-01", "23:59:59.990 before");
  writer.Write("2025-03-02", "00:00:00.010 after");
  ASSERT_TRUE(writer.Flush(5000));
  EXPECT_THAT(FileLines(folder / "2025-03-01.log"), ElementsAre("23:59:59.990 before"));
  EXPECT_THAT(FileLines(folder / "2025-03-02.log"), ElementsAre("00:00:00.010 after"));
}

TEST(TrafficWriter, OldestDaysGiveWayToTheSizeLimit) {
  const fs::path folder = test::TempFolder("traffic-limit");
  test::WriteFile(folder / "2025-02-10.log", std::string(3000, 'a'));
  test::WriteFile(folder / "2025-02-11-earlier.log", std::string(2000, 'b'));
  test::WriteFile(folder / "2025-02-11.log", std::string(2000, 'c'));
  test::WriteFile(folder / "2025-02-12.log", std::string(1000, 'd'));
  test::WriteFile(folder / "notes.txt", std::string(1000, 'n'));
  // 9000 bytes at start, within the limit of 10000: nothing goes.
  TrafficWriter writer;
  writer.StartFiles(folder.string(), "2025-03-01", {30, 10000});
  ASSERT_TRUE(writer.Flush(5000));
  EXPECT_EQ(FolderSize(folder), 9000u);

  // 1000 more fit exactly; the next line needs room: the oldest day goes.
  writer.Write("2025-03-01", NumberedLine(1, 999));
  ASSERT_TRUE(writer.Flush(5000));
  EXPECT_EQ(FolderSize(folder), 10000u);
  writer.Write("2025-03-01", NumberedLine(2, 99));
  ASSERT_TRUE(writer.Flush(5000));
  EXPECT_THAT(Names(folder), ElementsAre("2025-02-11-earlier.log", "2025-02-11.log",
                                         "2025-02-12.log", "2025-03-01.log", "notes.txt"));
  // Then the earlier part of a day before that day's file.
  writer.Write("2025-03-01", NumberedLine(3, 2999));
  ASSERT_TRUE(writer.Flush(5000));
  EXPECT_THAT(Names(folder),
              ElementsAre("2025-02-11.log", "2025-02-12.log", "2025-03-01.log", "notes.txt"));
  EXPECT_LE(FolderSize(folder), 10000u);
  EXPECT_FALSE(writer.FilesFailed());
}

TEST(TrafficWriter, DayThatFillsTheFolderKeepsItsNewestHalf) {
  const fs::path folder = test::TempFolder("traffic-full-day");
  test::WriteFile(folder / "2025-02-28.log", std::string(4000, 'a'));
  FailureLog failures;
  TrafficWriter writer;
  writer.SetFailureHandler(std::ref(failures));
  writer.StartFiles(folder.string(), "2025-03-01", {30, 10000});
  // 300 lines of 100 bytes: three times the whole limit.
  for (int n = 1; n <= 300; ++n) {
    writer.Write("2025-03-01", NumberedLine(n, 99));
    if (n % 7 == 0) {
      ASSERT_TRUE(writer.Flush(5000));
    }
    ASSERT_LE(FolderSize(folder), 10000u) << "after line " << n;
  }
  ASSERT_TRUE(writer.Flush(5000));
  EXPECT_TRUE(failures.Reasons().empty());
  EXPECT_FALSE(writer.FilesFailed());
  EXPECT_THAT(Names(folder), ElementsAre("2025-03-01-earlier.log", "2025-03-01.log"));
  // Today's traffic runs on without a gap from the earlier part into the
  // file, and ends with the last line written.
  std::vector<std::string> kept = FileLines(folder / "2025-03-01-earlier.log");
  const auto today = FileLines(folder / "2025-03-01.log");
  kept.insert(kept.end(), today.begin(), today.end());
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(kept.back(), NumberedLine(300, 99));
  // Lines go out in chunks; a roll leaves at least half the limit less one
  // chunk (here at most seven lines) in the earlier part.
  EXPECT_GE(kept.size(), 43u);
  const int firstKept = 301 - static_cast<int>(kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    EXPECT_EQ(kept[i], NumberedLine(firstKept + static_cast<int>(i), 99));
  }
}

TEST(TrafficWriter, FailingWriteIsReportedOnceAndEndsTheFiles) {
  const fs::path folder = test::TempFolder("traffic-disk-full");
  // The day's file is the disk that is always full.
  fs::create_symlink("/dev/full", folder / "2025-03-01.log");
  int pipeFds[2];
  ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK), 0);
  FailureLog failures;
  {
    TrafficWriter writer;
    writer.SetFailureHandler(std::ref(failures));
    writer.StartFiles(folder.string(), "2025-03-01");
    writer.StartTrace(pipeFds[1]);
    writer.Write("2025-03-01", "one");
    ASSERT_TRUE(writer.Flush(5000));
    EXPECT_TRUE(writer.FilesFailed());
    ASSERT_EQ(failures.Reasons().size(), 1u);
    EXPECT_THAT(failures.Reasons()[0], HasSubstr("No space left on device"));
    EXPECT_THAT(failures.Reasons()[0], HasSubstr("2025-03-01.log"));

    // Later lines, also of another day whose file would work, are not
    // written to files again in this run; the trace goes on.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) writer.Write("2025-03-02", "two");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_TRUE(writer.Flush(5000));
    EXPECT_EQ(failures.Reasons().size(), 1u);
  }
  EXPECT_FALSE(fs::exists(folder / "2025-03-02.log"));
  char text[16] = {};
  ASSERT_EQ(read(pipeFds[0], text, 8), 8);
  EXPECT_EQ(std::string(text), "one\ntwo\n");
  close(pipeFds[0]);
  close(pipeFds[1]);
}

TEST(TrafficWriter, ATraceThatNobodyReadsEndsTheTraceNotTheProgram) {
  // orvex-tool --trace 2> >(head -n 2): the reader is gone; SIGPIPE has its
  // default action, which would end the process at the trace's next write.
  const fs::path folder = test::TempFolder("traffic-closed-trace");
  int pipeFds[2];
  ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
  close(pipeFds[0]);
  const auto previousHandler = std::signal(SIGPIPE, SIG_DFL);
  {
    TrafficWriter writer;
    writer.StartFiles(folder.string(), "2025-03-01");
    writer.StartTrace(pipeFds[1]);
    for (const char* line : {"one", "two", "three"}) {
      writer.Write("2025-03-01", line);
      ASSERT_TRUE(writer.Flush(5000));
    }
    EXPECT_FALSE(writer.FilesFailed());
  }
  std::signal(SIGPIPE, previousHandler);
  close(pipeFds[1]);
  // The day's file has every line.
  EXPECT_THAT(FileLines(folder / "2025-03-01.log"), ElementsAre("one", "two", "three"));
}

TEST(TrafficWriter, FolderThatCannotBeMadeIsOneFailure) {
  const fs::path base = test::TempFolder("traffic-no-folder");
  test::WriteFile(base / "state", "a file where the folder should be");
  FailureLog failures;
  TrafficWriter writer;
  writer.SetFailureHandler(std::ref(failures));
  writer.StartFiles((base / "state" / "orvex-tool" / "traffic").string(), "2025-03-01");
  writer.Write("2025-03-01", "one");
  writer.Write("2025-03-01", "two");
  ASSERT_TRUE(writer.Flush(5000));
  ASSERT_EQ(failures.Reasons().size(), 1u);
  EXPECT_THAT(failures.Reasons()[0], HasSubstr("cannot make the folder"));
  EXPECT_THAT(failures.Reasons()[0], HasSubstr("Not a directory"));
}

TEST(TrafficWriter, DiskThatDoesNotKeepUpLosesLinesNotTime) {
  const fs::path folder = test::TempFolder("traffic-slow-disk");
  // A pipe stands in for a disk that takes its time: the writer blocks on
  // it until the test starts reading.
  ASSERT_EQ(mkfifo((folder / "2025-03-01.log").c_str(), 0600), 0);
  TrafficWriter writer;
  writer.StartFiles(folder.string(), "2025-03-01");
  const std::string line(199, 'x');
  const auto start = std::chrono::steady_clock::now();
  // 40 MB: more than the writer keeps waiting (16 MB), even when it had
  // taken up to as much again before it blocked.
  const int lines = 200000;
  for (int i = 0; i < lines; ++i) writer.Write("2025-03-01", line);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  std::string received;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    const int fd = open((folder / "2025-03-01.log").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    char buffer[65536];
    while (!done) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
      if (n <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(fd);
  });
  ASSERT_TRUE(writer.Flush(20000));
  writer.Write("2025-03-01", "after");
  ASSERT_TRUE(writer.Flush(5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  done = true;
  reader.join();

  std::istringstream in(received);
  int kept = 0;
  std::string note;
  std::string lastLine;
  for (std::string l; std::getline(in, l);) {
    if (l == line) {
      ++kept;
    } else if (l.rfind("(", 0) == 0) {
      note = l;
    }
    lastLine = l;
  }
  EXPECT_LT(kept, lines);
  EXPECT_GT(kept, 0);
  EXPECT_EQ(note, "(" + std::to_string(lines - kept) +
                      " lines were not written: the disk did not keep up)");
  EXPECT_EQ(lastLine, "after");
}

TEST(TrafficLog, LinesStampedInLocalTimeIntoTheDayFile) {
  ScopedEnv zone("TZ", "UTC");
  tzset();
  const fs::path folder = test::TempFolder("traffic-log");
  std::vector<std::string> shown;
  {
    TrafficLog log;
    log.SetLineListener([&shown](const std::string& line) { shown.push_back(line); });
    log.StartFiles(folder.string());
    // 2015-06-30 14:05:09.120 UTC and 10 ms later.
    const std::int64_t at = 1435673109120000;
    log.OnTraffic(
        {core::TrafficDirection::Sent, "firmware query", {0x1D, 0xF9}, at, at + 10000, {}});
    log.OnTraffic(
        {core::TrafficDirection::Read, "firmware reply", {0x41}, at + 60999, at + 60999, {}});
    // From the port's pick on, each line names it, in the window and the file.
    log.SetPort("COM3");
    log.OnTraffic({core::TrafficDirection::Sent, "full cut test", {0x1B, 0xF5}, at, at, {}});
    ASSERT_TRUE(log.writer().Flush(5000));
  }
  const std::vector<std::string> expected = {
      "14:05:09.120-14:05:09.130 TX 1D F9 | firmware query",
      "14:05:09.180              RX 41 | firmware reply",
      "14:05:09.120              COM3 TX 1B F5 | full cut test"};
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(FileLines(folder / "2015-06-30.log"), expected);

  // The wall clock in microseconds.
  TrafficLog clock;
  const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  EXPECT_LT(std::abs(clock.TrafficNowUs() - now), 1000000);
}

}  // namespace
}  // namespace orvex::platform
