#include "core/formatfile/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orvex::core {

namespace fs = std::filesystem;

namespace {

// Closes the descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now; false when the close reports an error (of a write, say).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The file that is replaced: where a chain of symbolic links ends, whether
// or not that file exists yet. nullopt for a loop.
std::optional<fs::path> Destination(const std::string& path) {
  fs::path current = fs::absolute(fs::path(path));
  // As many links as the system follows in one lookup.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(current, ec))) return current;
    const fs::path target = fs::read_symlink(current, ec);
    if (ec) return std::nullopt;
    current = target.is_absolute() ? target : current.parent_path() / target;
  }
  return std::nullopt;
}

// Makes the names in the folder (a rename, a new file) reach the disk.
bool SyncFolder(const fs::path& folder) {
  Descriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.get() >= 0 && fsync(fd.get()) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

std::optional<std::string> ReplaceFileProblem(const std::string& path) {
  const auto destination = Destination(path);
  if (!destination) return std::string("too many levels of symbolic links");
  if (destination->filename().empty()) return std::string("it names a folder");
  // What a write through the path reaches, the links of /proc included
  // (/dev/stdout): stat follows them as an open would.
  struct stat reached {};
  if (stat(path.c_str(), &reached) == 0) {
    if (S_ISDIR(reached.st_mode)) return std::string("it is a folder");
    // A device or a FIFO would be replaced by a regular file (/dev/null for
    // everyone, when run as root).
    if (!S_ISREG(reached.st_mode)) return std::string("it is not a regular file");
    // The name that the rename replaces must be that very file; a link of
    // /proc to a file that was removed, say, is not.
    struct stat named {};
    if (lstat(destination->c_str(), &named) != 0 || !SameFile(named, reached)) {
      return std::string("it is not a file that can be replaced");
    }
    // Replacing the file that this program's output goes to would send
    // that output to a file that no longer has a name.
    struct stat stream {};
    if (fstat(STDOUT_FILENO, &stream) == 0 && SameFile(stream, reached)) {
      return std::string("it is where standard output goes");
    }
    if (fstat(STDERR_FILENO, &stream) == 0 && SameFile(stream, reached)) {
      return std::string("it is where standard error goes");
    }
  } else if (errno != ENOENT) {
    return std::string(std::strerror(errno));
  }
  // The new file is made beside the destination: in the folder the last
  // link points into, which need not be the folder of `path`.
  const fs::path folder = destination->parent_path();
  struct stat folderInfo {};
  if (stat(folder.c_str(), &folderInfo) != 0) {
    return "cannot make a file in " + folder.string() + ": " + std::strerror(errno);
  }
  if (!S_ISDIR(folderInfo.st_mode)) {
    return "cannot make a file in " + folder.string() + ": " + std::strerror(ENOTDIR);
  }
  if (access(folder.c_str(), W_OK | X_OK) != 0) {
    return "cannot make a file in " + folder.string() + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

std::optional<FileHead> ReadFileHead(const std::string& path, std::size_t limit) {
  // Without O_NONBLOCK the open of a FIFO waits for a writer, and that of a
  // serial device for its carrier.
  Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  FileHead head;
  head.bytes.resize(limit + 1);
  std::size_t got = 0;
  while (got < head.bytes.size()) {
    const ssize_t n = read(fd.get(), head.bytes.data() + got, head.bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  head.bytes.resize(got);
  if (head.bytes.size() > limit) {
    head.bytes.resize(limit);
    head.truncated = true;
  }
  return head;
}

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  if (ReplaceFileProblem(path)) return false;
  const auto destination = Destination(path);
  if (!destination) return false;
  // A fresh name beside the destination: O_EXCL never opens an existing file.
  fs::path temporary;
  int raw = -1;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = *destination;
    temporary.replace_filename("." + destination->filename().string() + ".saving" +
                               std::to_string(attempt));
    raw = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw >= 0 || errno != EEXIST) break;
  }
  if (raw < 0) return false;
  Descriptor fd(raw);

  std::error_code ec;
  // The replaced file keeps its permissions.
  const fs::file_status old = fs::status(*destination, ec);
  if (!ec && fs::is_regular_file(old)) {
    (void)fchmod(fd.get(), static_cast<mode_t>(old.permissions()) & 07777);
  }
  // On the disk before it takes the name: a crash must not leave an empty file.
  const bool written = WriteAll(fd.get(), bytes) && fsync(fd.get()) == 0;
  if (!fd.Close() || !written) {
    fs::remove(temporary, ec);
    return false;
  }
  fs::rename(temporary, *destination, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  // The new name reaches the disk with its folder. The file is in place
  // whatever the folder's sync says, so that is no failure of the save.
  (void)SyncFolder(destination->parent_path());
  return true;
}

}  // namespace orvex::core
