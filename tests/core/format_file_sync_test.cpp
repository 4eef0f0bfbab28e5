// A saved format file reaches the disk before it takes its name, and the
// name with its folder: every fsync of this test program is seen here on
// its way to the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "bitmaps.h"
#include "core/formatfile/format_file.h"
#include "virtual_bench.h"

namespace {

std::mutex syncedMutex;
std::vector<std::string> synced;  // what each fsync was made on, in order

std::string PathOf(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  std::string path(4096, '\0');
  const ssize_t n = readlink(link, path.data(), path.size());
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  // Whether the name still held the file when it was synced.
  struct stat byName {};
  struct stat byFd {};
  const bool same = stat(path.c_str(), &byName) == 0 && fstat(fd, &byFd) == 0 &&
                    byName.st_ino == byFd.st_ino && byName.st_dev == byFd.st_dev;
  return same ? path : path + " (gone)";
}

}  // namespace

extern "C" int fsync(int fd) {
  using Fsync = int (*)(int);
  static const auto real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
  {
    const std::lock_guard<std::mutex> lock(syncedMutex);
    synced.push_back(PathOf(fd));
  }
  return real(fd);
}

namespace orvex::core {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

TEST(FormatFileSync, FileIsSyncedBeforeTheRenameAndTheFolderAfter) {
  const fs::path folder = test::TempFolder("format-file-sync");
  const fs::path path = folder / "synced.orx";
  test::WriteFile(path, "old\r\n");
  test::VirtualBench bench;
  for (int save = 0; save < 2; ++save) {
    synced.clear();
    bench.panel.saveAnswers.push_back(path.string());
    SaveFormatFile(bench.session());
    EXPECT_EQ(bench.panel.messages.back(), "Save finished.");
    // The temporary file beside it while it still has its own name, then
    // the folder that now holds the new name.
    EXPECT_THAT(synced, ElementsAre((folder / ".synced.orx.saving0").string(), folder.string()));
  }
  EXPECT_EQ(test::ReadFile(path),
            test::ReadFile(fs::path(ORVEX_TEST_DATA_DIR) / "format_file_defaults.orx"));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace orvex::core
