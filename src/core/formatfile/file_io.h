#pragma once
// Whole-file reads and writes of the format file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvex {

struct FileHead {
  std::string bytes;       // at most the limit
  bool truncated = false;  // the file holds more than the limit
};

// The first `limit` bytes of a regular file; nullopt when it cannot be
// opened or read (a folder included).
std::optional<FileHead> ReadFileHead(const std::string& path, std::size_t limit);

// Writes the bytes to a new file beside `path` and renames it over `path`,
// so that a failure at any point leaves the old file as it was. Returns
// false on failure; no temporary file is left behind.
bool ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace orvex
