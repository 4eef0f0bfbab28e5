#pragma once
// The printer's limits for a logo bitmap: a monochrome, uncompressed BMP
// exactly 384 pixels wide with at most 16384 bytes of pixel data.

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::core {

enum class LogoCheckResult {
  Accepted,
  Unreadable,
  NotBmp,
  WrongWidth,
  NotMono,
  Compressed,
  TooLarge
};

struct LogoCheck {
  LogoCheckResult result = LogoCheckResult::Unreadable;
  int height = 0;  // for Accepted
};

constexpr int kLogoWidth = 384;
constexpr int kLogoRowBytes = 48;
constexpr std::uint32_t kMaxLogoBytes = 16384;
// The bytes the test reads.
constexpr std::size_t kLogoHeaderBytes = 34;
// How far into a file the logo download reads for the pixels.
constexpr std::size_t kMaxLogoFileBytes = 100000;

// The test on a file's first bytes (a field beyond the end fails its test).
// A negative height is a top-down bitmap of that many rows.
LogoCheck CheckLogoBytes(std::string_view header);
// Whether the height field is negative: the rows are stored top row first.
bool IsTopDown(std::string_view header);
// Opens the file as raw bytes, tests it and closes it.
LogoCheck CheckLogoFile(const std::string& path);

// Message boxes when a file is chosen for a slot (1..3).
std::string ChooseLogoMessage(LogoCheckResult result, int slot);
// Message boxes when a format file names the logo of a slot (1..3).
std::string LoadLogoMessage(LogoCheckResult result, int slot);

}  // namespace orvex::core
