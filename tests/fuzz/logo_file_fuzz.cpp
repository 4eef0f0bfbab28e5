// Arbitrary bytes as a logo bitmap: the acceptance test on the bytes and on
// a file holding them, and the payload that the logo download would send.
//
// Each result is compared with a plain reference written from the
// printer's limits: the tests in their order (signature "BM", width 384 at
// offset 18, one bit per pixel at 28, no compression at 30, at most 16384
// bytes of pixels), a field past the end failing its own test; the height
// is the 16-bit value at offset 22, or for a negative 32-bit height (a
// top-down bitmap) its row count. The payload exists exactly when the bytes
// are accepted, the data offset (32 bits at 10) lies after the 54 header
// bytes and the rows within the bytes; it is then the rows from the top of
// the picture down (the last stored first, unless top-down), every byte
// inverted unless palette colour 1 (at 14 + header size, when it lies
// before the data) is the darker one.

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "core/logos/logo_download.h"
#include "core/logos/logo_file.h"
#include "fuzz_support.h"

namespace {

using namespace orvex::core;

LogoCheck ReferenceCheck(std::string_view b) {
  auto at = [&b](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(b[i])); };
  if (b.size() < 2 || at(0) != 'B' || at(1) != 'M') return {LogoCheckResult::NotBmp, 0};
  if (b.size() < 20 || at(18) != 0x80 || at(19) != 0x01) return {LogoCheckResult::WrongWidth, 0};
  if (b.size() < 30 || at(28) != 1 || at(29) != 0) return {LogoCheckResult::NotMono, 0};
  if (b.size() < 34 || (at(30) | at(31) | at(32) | at(33)) != 0) {
    return {LogoCheckResult::Compressed, 0};
  }
  const std::int32_t field = static_cast<std::int32_t>(at(22) | (at(23) << 8) | (at(24) << 16) |
                                                       (static_cast<std::uint32_t>(at(25)) << 24));
  const std::int64_t height = field < 0 ? -static_cast<std::int64_t>(field)
                                        : static_cast<std::int64_t>(at(22) + 256 * at(23));
  if (48 * height > 16384) return {LogoCheckResult::TooLarge, 0};
  return {LogoCheckResult::Accepted, static_cast<int>(height)};
}

std::uint64_t U32(std::string_view b, std::size_t i) {
  std::uint64_t value = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(b[i + k])) << (8 * k);
  }
  return value;
}

// Luma of the palette colour at i: blue, green, red.
int Luma(std::string_view b, std::size_t i) {
  auto at = [&b](std::size_t k) { return static_cast<int>(static_cast<unsigned char>(b[k])); };
  return 114 * at(i) + 587 * at(i + 1) + 299 * at(i + 2);
}

const std::string& ScratchFile() {
  static const std::string path = orvex::fuzz::ScratchFolder("logo-file") + "logo.bmp";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  const LogoCheck want = ReferenceCheck(bytes);
  const LogoCheck got = CheckLogoBytes(bytes);
  FUZZ_CHECK(got.result == want.result && got.height == want.height,
             "result " + std::to_string(static_cast<int>(got.result)) + " height " +
                 std::to_string(got.height));

  // The file test reads only the first 34 bytes; a short file stays short.
  std::ofstream(ScratchFile(), std::ios::binary | std::ios::trunc) << bytes;
  const LogoCheck fromFile = CheckLogoFile(ScratchFile());
  FUZZ_CHECK(fromFile.result == want.result && fromFile.height == want.height, "file test");

  const auto payload = ReadLogoPayload(bytes);
  const bool accepted = want.result == LogoCheckResult::Accepted;
  const std::uint64_t offset = accepted ? U32(bytes, 10) : 0;
  const bool expected =
      accepted && offset >= 54 && offset + 48 * static_cast<std::uint64_t>(want.height) <= size;
  FUZZ_CHECK(payload.has_value() == expected, "payload present");
  if (!payload) return 0;
  const bool topDown = static_cast<unsigned char>(bytes[25]) >= 0x80;
  const std::uint64_t palette = 14 + U32(bytes, 14);
  const bool colourOneBlack =
      palette >= 54 && palette + 8 <= offset && Luma(bytes, palette + 4) < Luma(bytes, palette);

  FUZZ_CHECK(payload->dataSize == 48u * static_cast<std::uint32_t>(want.height));
  FUZZ_CHECK(payload->dataSize <= kMaxLogoBytes);
  FUZZ_CHECK(payload->rows.size() == payload->dataSize);
  const std::size_t rows = static_cast<std::size_t>(want.height);
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t stored = offset + (topDown ? r : rows - 1 - r) * 48;
    for (std::size_t c = 0; c < 48; ++c) {
      const auto raw = static_cast<unsigned char>(bytes[stored + c]);
      const auto expectedByte = static_cast<std::uint8_t>(colourOneBlack ? raw : 0xFF - raw);
      if (payload->rows[r * 48 + c] != expectedByte) {
        FUZZ_CHECK(false, "row " + std::to_string(r) + " byte " + std::to_string(c));
      }
    }
  }
  return 0;
}
