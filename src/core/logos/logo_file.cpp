#include "core/logos/logo_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "core/formatfile/file_io.h"

namespace orvex::core {

namespace {

std::uint8_t ByteAt(std::string_view data, std::size_t offset) {
  return static_cast<std::uint8_t>(data[offset]);
}

// "384", "16K": the limits the messages name.
std::string WidthText() {
  return std::to_string(kLogoWidth);
}
std::string SizeText() {
  return std::to_string(kMaxLogoBytes / 1024) + "K";
}

std::int64_t Signed32At(std::string_view data, std::size_t offset) {
  std::uint32_t value = 0;
  for (int k = 3; k >= 0; --k)
    value = (value << 8) | ByteAt(data, offset + static_cast<std::size_t>(k));
  return static_cast<std::int32_t>(value);
}

// The row count of a top-down bitmap, capped where it is too large anyway.
int TopDownRows(std::string_view data) {
  const std::int64_t rows = -Signed32At(data, 22);
  return static_cast<int>(std::min<std::int64_t>(rows, 1 << 20));
}

}  // namespace

LogoCheck CheckLogoBytes(std::string_view data) {
  auto has = [&data](std::size_t offset, std::size_t length) {
    return data.size() >= offset + length;
  };
  if (!has(0, 2) || ByteAt(data, 0) != 0x42 || ByteAt(data, 1) != 0x4D) {
    return {LogoCheckResult::NotBmp, 0};
  }
  if (!has(18, 2) || ByteAt(data, 18) != 0x80 || ByteAt(data, 19) != 0x01) {
    return {LogoCheckResult::WrongWidth, 0};
  }
  if (!has(28, 2) || ByteAt(data, 28) != 0x01 || ByteAt(data, 29) != 0x00) {
    return {LogoCheckResult::NotMono, 0};
  }
  if (!has(30, 4) || ByteAt(data, 30) != 0 || ByteAt(data, 31) != 0 || ByteAt(data, 32) != 0 ||
      ByteAt(data, 33) != 0) {
    return {LogoCheckResult::Compressed, 0};
  }
  // Offsets 22..25 were read above by the length test of offset 30. A
  // negative height is a top-down bitmap of that many rows; otherwise only
  // the lower half of the height counts, as it always did.
  const int height =
      IsTopDown(data) ? TopDownRows(data) : ByteAt(data, 23) * 256 + ByteAt(data, 22);
  const int width = ByteAt(data, 19) * 256 + ByteAt(data, 18);
  const std::uint64_t dataSize =
      static_cast<std::uint64_t>(width / 8) * static_cast<std::uint64_t>(height);
  if (dataSize > kMaxLogoBytes) return {LogoCheckResult::TooLarge, 0};
  return {LogoCheckResult::Accepted, height};
}

bool IsTopDown(std::string_view header) {
  return header.size() >= 26 && (ByteAt(header, 25) & 0x80) != 0;
}

LogoCheck CheckLogoFile(const std::string& path) {
  const auto head = ReadFileHead(path, kLogoHeaderBytes);
  if (!head) {
    // A folder always read as empty, so it is no BMP, as it always was;
    // anything else that is no regular file cannot be used.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return {LogoCheckResult::NotBmp, 0};
    return {LogoCheckResult::Unreadable, 0};
  }
  return CheckLogoBytes(head->bytes);
}

std::string ChooseLogoMessage(LogoCheckResult result, int slot) {
  const bool first = slot == 1;
  switch (result) {
    case LogoCheckResult::Unreadable:
      return first ? "Open file error ! Please try again!" : "Open file error !";
    case LogoCheckResult::NotBmp:
      return "File not BMP format ! Please try again!";
    case LogoCheckResult::WrongWidth:
      return "BMP width not " + WidthText() + " pixel ! Please try again!";
    case LogoCheckResult::NotMono:
      return "BMP not mono color ! Please try again!";
    case LogoCheckResult::Compressed:
      return "BMP have compression ! Please try again!";
    case LogoCheckResult::TooLarge:
      return "Sizes too large over " + SizeText() + (first ? " ! Please try again!" : " .");
    case LogoCheckResult::Accepted:
      break;
  }
  return {};
}

std::string LoadLogoMessage(LogoCheckResult result, int slot) {
  const std::string n = std::to_string(slot);
  switch (result) {
    case LogoCheckResult::Unreadable:
      return "Can't find logo" + n + " .";
    case LogoCheckResult::NotBmp:
      return "Logo" + n + " not BMP format .";
    case LogoCheckResult::WrongWidth:
      return "Logo" + n + " width not " + WidthText() + " pixel .";
    case LogoCheckResult::NotMono:
      return "Logo" + n + " not mono color .";
    case LogoCheckResult::Compressed:
      return "Logo" + n + " have compression .";
    case LogoCheckResult::TooLarge:
      return "Logo" + n + " sizes too large over " + SizeText() + " .";
    case LogoCheckResult::Accepted:
      break;
  }
  return {};
}

}  // namespace orvex::core
