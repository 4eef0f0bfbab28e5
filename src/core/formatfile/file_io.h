#pragma once
// Whole-file reads and writes of the tool's own files (format files, logo
// bitmaps). The one place in the core that calls the operating system for
// files: the standard streams can neither open without blocking nor sync.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::core {

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
// exist yet), as writing through the link would. Only a regular file is
// replaced: anything else that `path` reaches (a device, a FIFO, a folder)
// is left alone and the call fails. Returns false on failure; no temporary
// file is left behind.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Why ReplaceFile(path, ...) would refuse now, in a few words ("it is not a
// regular file", "cannot make a file in /x/y: No such file or directory"),
// or nullopt when it can go ahead: `path`, followed through its links as the
// write will, reaches a regular file or nothing yet, in a folder that
// exists and takes a new file, and not the file that this program's
// standard output or error goes to. Lets a long run refuse its report's path
// before it begins.
std::optional<std::string> ReplaceFileProblem(const std::string& path);

}  // namespace orvex::core
