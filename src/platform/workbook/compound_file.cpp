#include "platform/workbook/compound_file.h"

#include <fcntl.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

namespace orvex::platform::workbook {

namespace {

std::string Errno(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// The permissions a new file gets from the process's umask.
mode_t NewFileMode() {
  mode_t mask = 022;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
      break;
    }
  }
  return 0666 & ~mask;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes the compound document into the open file; false on any error.
bool WriteDocument(FILE* file, const std::string& tempPath, const std::string& streamName,
                   std::span<const std::uint8_t> data) {
  static std::once_flag gsfReady;
  std::call_once(gsfReady, [] { gsf_init(); });

  GsfOutput* sink = gsf_output_stdio_new_FILE(tempPath.c_str(), file, TRUE);
  if (sink == nullptr) return false;
  GsfOutfile* document = gsf_outfile_msole_new(sink);
  bool ok = document != nullptr;
  if (ok) {
    GsfOutput* stream = gsf_outfile_new_child(document, streamName.c_str(), FALSE);
    ok = stream != nullptr;
    if (ok) {
      ok = gsf_output_write(stream, data.size(), data.data()) != FALSE;
      ok = gsf_output_close(stream) != FALSE && ok;
      g_object_unref(stream);
    }
    ok = gsf_output_close(GSF_OUTPUT(document)) != FALSE && ok;
    g_object_unref(document);
  }
  // Closing the document closes its sink as well, unless it failed early.
  if (!gsf_output_is_closed(sink)) ok = gsf_output_close(sink) != FALSE && ok;
  g_object_unref(sink);
  return ok;
}

// "stem.ext" as the n-th candidate name: "stem (n).ext" from 2 on.
std::string NumberedName(const std::string& path, int n) {
  if (n == 1) return path;
  const std::string base = BaseName(path);
  const auto dot = base.rfind('.');
  const std::size_t cut =
      path.size() - base.size() + (dot == std::string::npos || dot == 0 ? base.size() : dot);
  return path.substr(0, cut) + " (" + std::to_string(n) + ")" + path.substr(cut);
}

// Gives the finished file `temp` the name `target` unless that name is
// taken. 0, EEXIST, or why it failed.
int LinkInWithoutReplacing(const std::string& temp, const std::string& target) {
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // Filesystems without the no-replace rename: a hard link is as atomic.
  if (link(temp.c_str(), target.c_str()) == 0) {
    unlink(temp.c_str());
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) return errno;
  // No hard links either (FAT): look first, then rename.
  struct stat taken {};
  if (lstat(target.c_str(), &taken) == 0) return EEXIST;
  return std::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

constexpr int kMostCandidates = 1000;

}  // namespace

std::optional<std::string> WriteCompoundFile(const std::string& path, const std::string& streamName,
                                             std::span<const std::uint8_t> data,
                                             std::string* savedAs) {
  if (path.empty() || path.back() == '/') return "no file name given";
  const std::string folder = FolderOf(path);
  std::string temp = folder + "/." + BaseName(path) + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Errno("cannot create a file in " + folder);
  FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    const std::string why = Errno("cannot write " + temp);
    close(fd);
    unlink(temp.c_str());
    return why;
  }
  std::optional<std::string> failure;
  if (fchmod(fd, NewFileMode()) != 0) failure = Errno("cannot set the permissions of " + temp);
  if (!failure && !WriteDocument(file, temp, streamName, data)) {
    failure = "cannot write the workbook into " + temp;
  }
  if (!failure && std::fflush(file) != 0) failure = Errno("cannot write " + temp);
  if (!failure && fsync(fd) != 0) failure = Errno("cannot write " + temp);
  if (std::fclose(file) != 0 && !failure) failure = Errno("cannot write " + temp);
  if (!failure) {
    // An existing file is kept: two reports of the same second both stay.
    int error = EEXIST;
    for (int n = 1; n <= kMostCandidates && error == EEXIST; ++n) {
      const std::string name = NumberedName(path, n);
      error = LinkInWithoutReplacing(temp, name);
      if (error == 0 && savedAs != nullptr) *savedAs = name;
    }
    if (error != 0) {
      errno = error;
      failure = Errno("cannot save " + path);
    }
  }
  if (failure) {
    unlink(temp.c_str());
    return failure;
  }
  // The new name itself reaches the disk only with its folder.
  SyncFolder(folder);
  return std::nullopt;
}

}  // namespace orvex::platform::workbook
