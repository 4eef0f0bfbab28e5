#include "workbook/compound_file.h"

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

namespace orvex::workbook {

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

}  // namespace

std::optional<std::string> WriteCompoundFile(const std::string& path, const std::string& streamName,
                                             std::span<const std::uint8_t> data) {
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
  if (!failure && std::rename(temp.c_str(), path.c_str()) != 0) {
    failure = Errno("cannot save " + path);
  }
  if (failure) unlink(temp.c_str());
  return failure;
}

}  // namespace orvex::workbook
