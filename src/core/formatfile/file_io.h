#pragma once
// Whole-file reads and writes of the tool's own files (format files, logo
// bitmaps). The one place in the core that calls the operating system for
// files: the standard streams can neither open without blocking nor sync.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvex {

struct FileHead {
  std::string bytes;       // at most the limit
  bool truncated = false;  // the file holds more than the limit
};

// The first `limit` bytes of a regular file (a link to one included);
// nullopt when it cannot be opened or read, or is no regular file: a
// folder, a FIFO or a device, which the open never waits on.
std::optional<FileHead> ReadFileHead(const std::string& path, std::size_t limit);

// Writes the bytes to a new file beside `path`, syncs it to the disk and
// renames it over `path`, then syncs the folder, so that a failure or a
// crash at any point leaves the old file or the new one, whole. A symbolic
// link at `path` stays: the file it names is written (made when it does not
// exist yet), as writing through the link would. Returns false on failure;
// no temporary file is left behind.
bool ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace orvex
