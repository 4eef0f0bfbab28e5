#include "logos/logo_file.h"

#include <fstream>

namespace orvex {

namespace {

std::uint8_t ByteAt(std::string_view data, std::size_t offset) {
  return static_cast<std::uint8_t>(data[offset]);
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
  // Offsets 22..23 were read above by the length test of offset 30.
  const int height = ByteAt(data, 23) * 256 + ByteAt(data, 22);
  const int width = ByteAt(data, 19) * 256 + ByteAt(data, 18);
  const std::uint32_t dataSize = static_cast<std::uint32_t>(width / 8) * static_cast<std::uint32_t>(height);
  if (dataSize > kMaxLogoBytes) return {LogoCheckResult::TooLarge, 0};
  return {LogoCheckResult::Accepted, height};
}

LogoCheck CheckLogoFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {LogoCheckResult::Unreadable, 0};
  char header[34] = {};
  file.read(header, sizeof header);
  return CheckLogoBytes(std::string_view(header, static_cast<std::size_t>(file.gcount())));
}

std::string ChooseLogoMessage(LogoCheckResult result, int slot) {
  const bool first = slot == 1;
  switch (result) {
    case LogoCheckResult::Unreadable:
      return first ? "Open file error ! Please try again!" : "Open file error !";
    case LogoCheckResult::NotBmp:
      return "File not BMP format ! Please try again!";
    case LogoCheckResult::WrongWidth:
      return "BMP width not 384 pixel ! Please try again!";
    case LogoCheckResult::NotMono:
      return "BMP not mono color ! Please try again!";
    case LogoCheckResult::Compressed:
      return "BMP have compression ! Please try again!";
    case LogoCheckResult::TooLarge:
      return first ? "Sizes too large over 16K ! Please try again!" : "Sizes too large over 16K .";
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
      return "Logo" + n + " width not 384 pixel .";
    case LogoCheckResult::NotMono:
      return "Logo" + n + " not mono color .";
    case LogoCheckResult::Compressed:
      return "Logo" + n + " have compression .";
    case LogoCheckResult::TooLarge:
      return "Logo" + n + " sizes too large over 16K .";
    case LogoCheckResult::Accepted:
      break;
  }
  return {};
}

}  // namespace orvex
