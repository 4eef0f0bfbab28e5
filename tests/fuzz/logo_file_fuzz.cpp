// Arbitrary bytes as a logo bitmap: the acceptance test on the bytes and on
// a file holding them, and the payload that the logo download would send.
//
// Each result is compared with a plain reference written from the
// printer's limits: the tests in their order (signature "BM", width 384 at
// offset 18, one bit per pixel at 28, no compression at 30, at most 16384
// bytes of pixels), a field past the end failing its own test; the height
// is the 16-bit value at offset 22. The payload exists exactly when the
// bytes are accepted and hold 62 + 48 x height bytes; it is then the rows
// from the last one stored to the first, every byte inverted.

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "logos/logo_download.h"
#include "logos/logo_file.h"

namespace {

using namespace orvex;

LogoCheck ReferenceCheck(std::string_view b) {
  auto at = [&b](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(b[i])); };
  if (b.size() < 2 || at(0) != 'B' || at(1) != 'M') return {LogoCheckResult::NotBmp, 0};
  if (b.size() < 20 || at(18) != 0x80 || at(19) != 0x01) return {LogoCheckResult::WrongWidth, 0};
  if (b.size() < 30 || at(28) != 1 || at(29) != 0) return {LogoCheckResult::NotMono, 0};
  if (b.size() < 34 || (at(30) | at(31) | at(32) | at(33)) != 0) {
    return {LogoCheckResult::Compressed, 0};
  }
  const int height = static_cast<int>(at(22) + 256 * at(23));
  if (48 * height > 16384) return {LogoCheckResult::TooLarge, 0};
  return {LogoCheckResult::Accepted, height};
}

const std::string& ScratchFile() {
  static const std::string path = fuzz::ScratchFolder("logo-file") + "logo.bmp";
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
  const std::size_t need = 62 + 48 * static_cast<std::size_t>(want.height);
  const bool expected = want.result == LogoCheckResult::Accepted && size >= need;
  FUZZ_CHECK(payload.has_value() == expected, "payload present");
  if (!payload) return 0;

  FUZZ_CHECK(payload->dataSize == 48u * static_cast<std::uint32_t>(want.height));
  FUZZ_CHECK(payload->dataSize <= kMaxLogoBytes);
  FUZZ_CHECK(payload->rows.size() == payload->dataSize);
  const std::size_t rows = static_cast<std::size_t>(want.height);
  for (std::size_t r = 0; r < rows; ++r) {
    const std::size_t stored = 62 + (rows - 1 - r) * 48;
    for (std::size_t c = 0; c < 48; ++c) {
      const auto expectedByte =
          static_cast<std::uint8_t>(0xFF - static_cast<unsigned char>(bytes[stored + c]));
      if (payload->rows[r * 48 + c] != expectedByte) {
        FUZZ_CHECK(false, "row " + std::to_string(r) + " byte " + std::to_string(c));
      }
    }
  }
  return 0;
}
