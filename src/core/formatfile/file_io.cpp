#include "formatfile/file_io.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orvex {

namespace fs = std::filesystem;

std::optional<FileHead> ReadFileHead(const std::string& path, std::size_t limit) {
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  FileHead head;
  head.bytes.resize(limit + 1);
  file.read(head.bytes.data(), static_cast<std::streamsize>(limit + 1));
  if (file.bad()) return std::nullopt;
  head.bytes.resize(static_cast<std::size_t>(file.gcount()));
  if (head.bytes.size() > limit) {
    head.bytes.resize(limit);
    head.truncated = true;
  }
  return head;
}

namespace {

// The file that is replaced: the target of a symbolic link rather than the
// link itself, as writing through the link would do.
fs::path Destination(const std::string& path) {
  const fs::path chosen(path);
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(chosen, ec))) {
    fs::path target = fs::canonical(chosen, ec);
    if (!ec) return target;
  }
  return chosen;
}

bool WriteAll(std::FILE* file, std::string_view bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool flushed = std::fflush(file) == 0;
  const bool closed = std::fclose(file) == 0;
  return written && flushed && closed;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  const fs::path destination = Destination(path);
  if (destination.filename().empty()) return false;
  // A fresh name beside the destination: "wbx" never opens an existing file.
  fs::path temporary;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = destination;
    temporary.replace_filename("." + destination.filename().string() + ".saving" +
                               std::to_string(attempt));
    errno = 0;
    file = std::fopen(temporary.c_str(), "wbx");
    if (file != nullptr || errno != EEXIST) break;
  }
  if (file == nullptr) return false;

  std::error_code ec;
  if (!WriteAll(file, bytes)) {
    fs::remove(temporary, ec);
    return false;
  }
  // The replaced file keeps its permissions.
  const fs::file_status old = fs::status(destination, ec);
  if (!ec && fs::is_regular_file(old)) fs::permissions(temporary, old.permissions(), ec);
  fs::rename(temporary, destination, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace orvex
