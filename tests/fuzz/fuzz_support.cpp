#include "fuzz_support.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace orvex::fuzz {

void Violation(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
  std::fflush(stderr);
  std::abort();
}

std::span<const std::uint8_t> FuzzInput::Bytes(std::size_t count) {
  const std::size_t taken = std::min(count, remaining());
  const std::span<const std::uint8_t> bytes(data_ + pos_, taken);
  pos_ += taken;
  return bytes;
}

namespace {

void CheckOneLine(const std::string& text) {
  FUZZ_CHECK(text.find_first_of("\r\n") == std::string::npos, "line: " + text);
}

}  // namespace

void CheckedMemo::AppendLine(const std::string& text) {
  CheckOneLine(text);
  ++appended;
  FakeMemo::AppendLine(text);
}

void CheckedMemo::ReplaceLine(int index, const std::string& text) {
  FUZZ_CHECK(index >= 0, "index " + std::to_string(index));
  CheckOneLine(text);
  ++replaced;
  FakeMemo::ReplaceLine(index, text);
}

void CheckedMemo::ClearLines() {
  ++cleared;
  FakeMemo::ClearLines();
}

FuzzPorts::FuzzPorts(core::Spreadsheet* spreadsheet) {
  session_ = std::make_unique<core::Session>(
      core::Ports{memo, *this, *this, panel, clock, *this, view,
                  spreadsheet ? *spreadsheet : noSpreadsheet, preview});
}

FuzzPorts::~FuzzPorts() = default;

void FuzzPorts::WaitWhile(const std::function<bool()>& condition) {
  FUZZ_CHECK(onWait != nullptr, "a command waited where the target expects none");
  onWait(condition);
}

void FuzzPorts::ProcessPendingEvents() {
  if (onPendingEvents) onPendingEvents();
}

namespace {

struct Scratch {
  std::map<std::string, std::string> folders;
  ~Scratch() {
    std::error_code ec;
    for (const auto& [name, path] : folders) std::filesystem::remove_all(path, ec);
  }
};

// A run that crashed could not remove its folders; the next one does.
void RemoveFoldersOfEndedRuns(const std::filesystem::path& base) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
    const std::string leaf = entry.path().filename().string();
    if (!leaf.starts_with("orvex-fuzz-")) continue;
    const auto dash = leaf.rfind('-');
    const long pid = std::strtol(leaf.c_str() + dash + 1, nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      std::filesystem::remove_all(entry.path(), ec);
    }
  }
}

}  // namespace

const std::string& ScratchFolder(const std::string& name) {
  static Scratch scratch;
  auto it = scratch.folders.find(name);
  if (it != scratch.folders.end()) return it->second;
  // Files are written on every run: a memory file system keeps that cheap.
  const std::filesystem::path base =
      ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::filesystem::temp_directory_path();
  if (scratch.folders.empty()) RemoveFoldersOfEndedRuns(base);
  const auto folder = base / ("orvex-fuzz-" + name + "-" + std::to_string(::getpid()));
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder);
  return scratch.folders.emplace(name, folder.string() + "/").first->second;
}

}  // namespace orvex::fuzz
