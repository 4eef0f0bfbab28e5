// Arbitrary bytes as a format file: split into lines and applied to a fresh
// ticket setup. When that load goes through all 132 lines, the setup is
// saved with "Save Ticket Format As.." and loaded again with "Load Ticket
// Format" into another fresh session, which must end with the same setup.
//
// The logo lines (10 to 12) would make the loader open whatever path the
// input spells; a non-empty logo line is replaced, before the load, by one
// of five files of a scratch folder, chosen by its first byte: a 384 x 2
// logo, a logo of height 0 under a name that Windows-1252 cannot spell (so
// it is saved in its UTF-8 form), a file that is no bitmap, a missing file
// and a bitmap too large for the printer. The line itself still goes
// through the logo path conversion, which must give it back unchanged.
//
// Invariants:
//   - splitting the bytes of the lines again gives the same lines;
//   - a logo line survives the conversion to a path and back;
//   - a finished load leaves every radio group within -1 .. items - 1 and
//     every ticket text at most 24 bytes; a slot holds an accepted logo or
//     nothing;
//   - a file with a line over 256 bytes is refused as a whole (the load
//     below is not tried);
//   - a stopped load names the line it stopped at, or the text it could
//     not read as a number (its first 40 characters);
//   - saving a loaded setup says "Save finished.", and loading the saved
//     file says "Load finished." and reproduces the setup.

#include <cstdint>
#include <fstream>
#include <string>

#include "core/formatfile/format_file.h"
#include "core/logos/logo_file.h"
#include "fuzz_support.h"

namespace {

using namespace orvex::core;

struct Files {
  std::string logos[5];
  std::string saved;
  Files() {
    const std::string& folder = orvex::fuzz::ScratchFolder("format-file");
    auto bmp = [](int height, std::size_t pixelBytes) {
      std::string bytes(62 + pixelBytes, '\x33');
      std::fill_n(bytes.begin(), 62, '\0');
      bytes[0] = 'B';
      bytes[1] = 'M';
      bytes[18] = '\x80';
      bytes[19] = '\x01';
      bytes[22] = static_cast<char>(height & 0xFF);
      bytes[23] = static_cast<char>(height >> 8);
      bytes[28] = 1;
      return bytes;
    };
    const std::string names[5] = {"logo-a.bmp", "logo-\xE5\xAD\x97.bmp", "not-a-bitmap.bmp",
                                  "missing.bmp", "too-large.bmp"};
    const std::string contents[5] = {bmp(2, 96), bmp(0, 0), "GIF89a", "", bmp(342, 48 * 342)};
    for (int i = 0; i < 5; ++i) {
      logos[i] = folder + names[i];
      if (i != 3) std::ofstream(logos[i], std::ios::binary) << contents[i];
    }
    saved = folder + "saved.orx";
  }
};

void CheckSetupRanges(const TicketSetup& setup) {
  auto inRange = [](int item, int count) { return item >= -1 && item < count; };
  FUZZ_CHECK(inRange(setup.symbolItemWide, kWideSymbolItems));
  for (const TicketFormat& ticket : setup.tickets) {
    for (const FormatLine& line : ticket) {
      FUZZ_CHECK(inRange(line.sizeItem, kSizeItems));
      FUZZ_CHECK(inRange(line.heightItem, kHeightItems));
      FUZZ_CHECK(inRange(line.kindItem, kKindItems));
      FUZZ_CHECK(line.text.size() <= kMaxTextBytes);
    }
  }
  for (const LogoSlot& slot : setup.logos) {
    if (slot.path.empty()) continue;
    const LogoCheck check = CheckLogoFile(slot.path);
    FUZZ_CHECK(check.result == LogoCheckResult::Accepted && check.height == slot.height, slot.path);
  }
}

std::string Describe(const TicketSetup& a, const TicketSetup& b) {
  std::string out;
  auto diff = [&out](const std::string& what, const std::string& x, const std::string& y) {
    if (x != y) out += what + ": '" + x + "' vs '" + y + "'; ";
  };
  diff("symbol", std::to_string(a.symbolItemWide), std::to_string(b.symbolItemWide));
  diff("symbol (narrow)", std::to_string(a.symbolItemNarrow), std::to_string(b.symbolItemNarrow));
  diff("coin multiplier", a.multipliers.coin, b.multipliers.coin);
  diff("note multiplier", a.multipliers.note, b.multipliers.note);
  diff("payout multiplier", a.multipliers.payout, b.multipliers.payout);
  diff("decimals", a.multipliers.decimals, b.multipliers.decimals);
  const PrintStatus& p = a.printStatus;
  const PrintStatus& q = b.printStatus;
  diff("print status", std::to_string(p.Byte()), std::to_string(q.Byte()));
  for (std::size_t i = 0; i < 3; ++i) {
    diff("logo path", a.logos[i].path, b.logos[i].path);
    diff("logo height", std::to_string(a.logos[i].height), std::to_string(b.logos[i].height));
    for (std::size_t k = 0; k < kLinesPerTicket; ++k) {
      const FormatLine& x = a.tickets[i][k];
      const FormatLine& y = b.tickets[i][k];
      const std::string where = "ticket " + std::to_string(i) + " line " + std::to_string(k);
      diff(where + " text", x.text, y.text);
      diff(where + " items",
           std::to_string(x.sizeItem) + "," + std::to_string(x.heightItem) + "," +
               std::to_string(x.kindItem),
           std::to_string(y.sizeItem) + "," + std::to_string(y.heightItem) + "," +
               std::to_string(y.kindItem));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Files files;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  FormatFile file = FormatFile::Parse(bytes);
  FUZZ_CHECK(FormatFile::Parse(file.Bytes()).lines == file.lines, "lines split again");
  FUZZ_CHECK(!file.LineWithBreak().has_value());

  for (std::size_t index = 9; index < 12 && index < file.lines.size(); ++index) {
    std::string& line = file.lines[index];
    if (line.empty()) continue;
    const std::string path = LogoPathFromLine(line);
    FUZZ_CHECK(LogoPathFromLine(LogoPathToLine(path)) == path, "logo path of line " + line);
    line = LogoPathToLine(files.logos[static_cast<std::uint8_t>(line[0]) % 5]);
  }

  // Such a file is refused before anything is applied.
  if (file.LineOverLimit()) return 0;

  orvex::fuzz::FuzzPorts first;
  const auto stop = ApplyFormatFile(first.session(), file);
  if (stop) {
    const bool shortFile =
        stop->starts_with("List index out of bounds (") &&
        *stop == "List index out of bounds (" + std::to_string(file.lines.size()) + ")";
    const bool notNumber = stop->ends_with("' is not a valid integer value");
    FUZZ_CHECK(shortFile || notNumber, *stop);
    return 0;
  }
  const TicketSetup& loaded = first.session().setup;
  CheckSetupRanges(loaded);

  // Save through the menu item, then load the file into a fresh session.
  first.panel.saveAnswers.push_back(files.saved);
  SaveFormatFile(first.session());
  FUZZ_CHECK(!first.panel.messages.empty() && first.panel.messages.back() == "Save finished.",
             first.panel.messages.empty() ? "no message" : first.panel.messages.back());

  orvex::fuzz::FuzzPorts second;
  second.panel.openAnswers.push_back(files.saved);
  LoadFormatFile(second.session());
  FUZZ_CHECK(!second.panel.messages.empty() && second.panel.messages.back() == "Load finished.",
             second.panel.messages.empty() ? "no message" : second.panel.messages.back());
  const std::string diff = Describe(loaded, second.session().setup);
  FUZZ_CHECK(diff.empty(), diff);
  return 0;
}
