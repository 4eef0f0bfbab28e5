#include "platform/workbook/workbook_stream.h"

#include <algorithm>

#include "platform/workbook/biff_stream.h"
#include "platform/workbook/shared_strings.h"

namespace orvex::platform::workbook {

namespace {

namespace rec {
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kCodepage = 0x0042;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kBackup = 0x0040;
constexpr std::uint16_t kHideObj = 0x008D;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kPrecision = 0x000E;
constexpr std::uint16_t kBookBool = 0x00DA;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kUsesElfs = 0x0160;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kCountry = 0x008C;
constexpr std::uint16_t kIndex = 0x020B;
constexpr std::uint16_t kDefaultRowHeight = 0x0225;
constexpr std::uint16_t kWsBool = 0x0081;
constexpr std::uint16_t kDefColWidth = 0x0055;
constexpr std::uint16_t kColInfo = 0x007D;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kDbCell = 0x00D7;
constexpr std::uint16_t kWindow2 = 0x023E;
}  // namespace rec

constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kGlobalsSubstream = 0x0005;
constexpr std::uint16_t kWorksheetSubstream = 0x0010;
constexpr std::uint16_t kCodepageUtf16 = 1200;
constexpr std::uint16_t kCellXf = 15;  // the first cell XF, after the 15 style XFs
constexpr std::size_t kRowRecordSize = 4 + 16;
constexpr int kRowsPerBlock = 32;
// Small streams would land in the compound file's mini stream, which some
// readers of workbooks do not expect.
constexpr std::size_t kMinStreamSize = 4096;

void Bof(BiffStream& out, std::uint16_t substream) {
  const std::size_t at = out.Begin(rec::kBof);
  out.U16(kBiff8);
  out.U16(substream);
  out.U16(0x0DBB);  // build
  out.U16(0x07CC);  // year
  out.U32(0);       // file history
  out.U32(0x0006);  // lowest version that can read the file: BIFF8
  out.End(at);
}

void Font(BiffStream& out, std::uint16_t weight) {
  const std::size_t at = out.Begin(rec::kFont);
  out.U16(200);     // 10 point, in twips
  out.U16(0);       // not italic, struck out, outlined or shadowed
  out.U16(0x7FFF);  // automatic colour
  out.U16(weight);
  out.U16(0);  // no super- or subscript
  out.U8(0);   // no underline
  out.U8(0);   // family
  out.U8(0);   // character set
  out.U8(0);
  out.ShortString(*ToBiffText("Arial"));
  out.End(at);
}

void Xf(BiffStream& out, std::uint16_t font, std::uint16_t format, bool style,
        std::uint8_t usedAttributes) {
  const std::size_t at = out.Begin(rec::kXf);
  out.U16(font);
  out.U16(format);
  // Locked; a style XF has no parent (0xFFF), a cell XF has style XF 0.
  out.U16(style ? 0xFFF5 : 0x0001);
  out.U8(0x20);  // general horizontal alignment, bottom vertical alignment
  out.U8(0);     // no rotation
  out.U8(0);     // no indent
  out.U8(usedAttributes);
  out.U32(0);       // no borders
  out.U32(0);       // no border colours
  out.U16(0x20C0);  // pattern colours: automatic fore- and background
  out.End(at);
}

void Styles(BiffStream& out) {
  // The default style table: Normal, then the built-in number styles.
  constexpr std::uint16_t kNormal = 0;
  constexpr std::uint16_t kBold = 0x2BC;
  constexpr std::uint16_t kRegular = 0x190;
  Font(out, kRegular);
  Font(out, kBold);
  Font(out, kRegular);
  Font(out, kRegular);
  Font(out, kRegular);  // readers skip font index 4; this one is index 5

  Xf(out, 0, kNormal, true, 0x00);
  constexpr std::uint16_t kStyleFonts[] = {1, 1, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const std::uint16_t font : kStyleFonts) {
    Xf(out, font, kNormal, true, 0xF4);
  }
  Xf(out, 0, kNormal, false, 0x00);  // kCellXf
  constexpr std::uint16_t kNumberStyleFormats[] = {43, 41, 44, 42, 9};
  for (const std::uint16_t format : kNumberStyleFormats) Xf(out, 1, format, true, 0xF8);

  struct BuiltinStyle {
    std::uint16_t xf;
    std::uint8_t id;
  };
  for (const BuiltinStyle s : {BuiltinStyle{16, 3}, {17, 6}, {18, 4}, {19, 7}, {0, 0}, {20, 5}}) {
    const std::size_t at = out.Begin(rec::kStyle);
    out.U16(static_cast<std::uint16_t>(0x8000 | s.xf));
    out.U8(s.id);
    out.U8(0xFF);
    out.End(at);
  }
}

// Writes the globals; returns the positions of the BOUNDSHEET offsets to
// patch once the sheets are laid out.
std::vector<std::size_t> Globals(BiffStream& out, const std::vector<SheetContent>& sheets,
                                 const SharedStrings& strings) {
  Bof(out, kGlobalsSubstream);
  out.Record(rec::kCodepage, {kCodepageUtf16});
  // Window position and size, visible, first sheet active, tab bar ratio.
  out.Record(rec::kWindow1, {0, 0, 0x3000, 0x1E00, 0x0038, 0, 0, 1, 0x0258});
  out.Record(rec::kBackup, {0});
  out.Record(rec::kHideObj, {0});
  out.Record(rec::kDateMode, {0});
  out.Record(rec::kPrecision, {1});
  out.Record(rec::kBookBool, {0});
  Styles(out);
  out.Record(rec::kUsesElfs, {0});

  std::vector<std::size_t> sheetOffsets;
  for (const SheetContent& sheet : sheets) {
    const std::size_t at = out.Begin(rec::kBoundSheet);
    sheetOffsets.push_back(out.Position());
    out.U32(0);  // stream position of the sheet's BOF, patched later
    out.U8(0);   // visible
    out.U8(0);   // worksheet
    out.ShortString(ToBiffText(sheet.name).value_or(BiffText{}));
    out.End(at);
  }
  out.Record(rec::kCountry, {1, 1});
  strings.Write(out);
  out.Record(rec::kEof, {});
  return sheetOffsets;
}

struct RowSpan {
  int row;
  int firstColumn;
  int lastColumn;
};

std::vector<RowSpan> RowsOf(const SheetContent& sheet) {
  std::vector<RowSpan> rows;
  for (const auto& [key, text] : sheet.cells) {
    const int row = CellRow(key);
    const int column = CellColumn(key);
    if (rows.empty() || rows.back().row != row) {
      rows.push_back({row, column, column});
    } else {
      rows.back().lastColumn = std::max(rows.back().lastColumn, column);
    }
  }
  return rows;
}

void Worksheet(BiffStream& out, const SheetContent& sheet, const SharedStrings& strings) {
  const std::vector<RowSpan> rows = RowsOf(sheet);
  int firstColumn = kMaxColumns;
  int lastColumn = -1;
  for (const RowSpan& r : rows) {
    firstColumn = std::min(firstColumn, r.firstColumn);
    lastColumn = std::max(lastColumn, r.lastColumn);
  }
  const auto rowMin = static_cast<std::uint32_t>(rows.empty() ? 0 : rows.front().row);
  const auto rowMax = static_cast<std::uint32_t>(rows.empty() ? 0 : rows.back().row + 1);
  std::size_t blockCount = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i == 0 || rows[i].row / kRowsPerBlock != rows[i - 1].row / kRowsPerBlock) ++blockCount;
  }

  Bof(out, kWorksheetSubstream);

  const std::size_t index = out.Begin(rec::kIndex);
  out.U32(0);
  out.U32(rowMin);
  out.U32(rowMax);
  const std::size_t defColWidthField = out.Position();
  out.U32(0);
  const std::size_t dbCellFields = out.Position();
  out.Zeros(4 * blockCount);
  out.End(index);

  out.Record(rec::kDefaultRowHeight, {0, 255});
  out.Record(rec::kWsBool, {0x04C1});
  out.PatchU32(defColWidthField, static_cast<std::uint32_t>(out.Position()));
  out.Record(rec::kDefColWidth, {8});
  for (const auto& [column, width] : sheet.columnWidths) {
    const auto c = static_cast<std::uint16_t>(column);
    out.Record(rec::kColInfo, {c, c, width, kCellXf, 0, 0});
  }

  const std::size_t dims = out.Begin(rec::kDimensions);
  out.U32(rowMin);
  out.U32(rowMax);
  out.U16(static_cast<std::uint16_t>(rows.empty() ? 0 : firstColumn));
  out.U16(static_cast<std::uint16_t>(rows.empty() ? 0 : lastColumn + 1));
  out.U16(0);
  out.End(dims);

  // Row blocks: the ROW records of up to 32 rows, their cells, and a DBCELL
  // that lets readers find the rows again.
  std::size_t block = 0;
  auto cell = sheet.cells.begin();
  for (std::size_t first = 0; first < rows.size(); ++block) {
    std::size_t end = first;
    while (end < rows.size() && rows[end].row / kRowsPerBlock == rows[first].row / kRowsPerBlock) {
      ++end;
    }
    const std::size_t firstRowRecord = out.Position();
    for (std::size_t r = first; r < end; ++r) {
      const std::size_t at = out.Begin(rec::kRow);
      out.U16(static_cast<std::uint16_t>(rows[r].row));
      out.U16(static_cast<std::uint16_t>(rows[r].firstColumn));
      out.U16(static_cast<std::uint16_t>(rows[r].lastColumn + 1));
      out.U16(255);  // height in twips
      out.U16(0);
      out.U16(0);
      out.U16(0x0100);
      out.U16(kCellXf);
      out.End(at);
    }
    std::vector<std::size_t> firstCells;
    for (std::size_t r = first; r < end; ++r) {
      firstCells.push_back(out.Position());
      for (; cell != sheet.cells.end() && CellRow(cell->first) == rows[r].row; ++cell) {
        const std::size_t at = out.Begin(rec::kLabelSst);
        out.U16(static_cast<std::uint16_t>(rows[r].row));
        out.U16(static_cast<std::uint16_t>(CellColumn(cell->first)));
        out.U16(kCellXf);
        out.U32(strings.Find(cell->second));
        out.End(at);
      }
    }
    const std::size_t dbCell = out.Begin(rec::kDbCell);
    out.PatchU32(dbCellFields + 4 * block, static_cast<std::uint32_t>(dbCell));
    out.U32(static_cast<std::uint32_t>(dbCell - firstRowRecord));
    // The first cell offset counts from the end of the first ROW record,
    // each further one from the first cell of the row before.
    std::size_t from = firstRowRecord + kRowRecordSize;
    for (const std::size_t at : firstCells) {
      out.U16(static_cast<std::uint16_t>(at - from));
      from = at;
    }
    out.End(dbCell);
    first = end;
  }

  // Gridlines, headers, zeros and outline symbols shown; the sheet selected.
  out.Record(rec::kWindow2, {0x06B6, 0, 0, 64, 0, 0, 0, 0, 0});
  out.Record(rec::kEof, {});
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildWorkbookStream(
    const std::vector<SheetContent>& sheets) {
  // The shared strings stand in the globals, before the sheets that use them.
  SharedStrings strings;
  for (const SheetContent& sheet : sheets) {
    for (const auto& [key, text] : sheet.cells) strings.Add(text);
  }

  BiffStream out;
  const std::vector<std::size_t> sheetOffsets = Globals(out, sheets, strings);
  for (std::size_t s = 0; s < sheets.size(); ++s) {
    out.PatchU32(sheetOffsets[s], static_cast<std::uint32_t>(out.Position()));
    Worksheet(out, sheets[s], strings);
  }
  if (!out.ok()) return std::nullopt;
  if (out.Position() < kMinStreamSize) out.Zeros(kMinStreamSize - out.Position());
  return out.Take();
}

}  // namespace orvex::platform::workbook
