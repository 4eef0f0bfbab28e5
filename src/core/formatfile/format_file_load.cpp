#include <optional>
#include <string>

#include "core/formatfile/file_io.h"
#include "core/formatfile/format_file.h"
#include "core/formats/settings.h"
#include "core/logos/logo_file.h"
#include "core/text/cp1252.h"

namespace orvex::core {

namespace {

int ClampItem(std::int32_t value, int itemCount) {
  if (value < -1) return -1;
  if (value >= itemCount) return itemCount - 1;
  return value;
}

void ApplyLogoLine(Session& session, int slot, const std::string& line) {
  if (line.empty()) return;  // the slot is not touched at all
  const std::string path = LogoPathFromLine(line);
  const LogoCheck check = CheckLogoFile(path);
  if (check.result != LogoCheckResult::Accepted) {
    session.io.panel.ShowMessage(LoadLogoMessage(check.result, slot));
    return;
  }
  LogoSlot& logo = session.setup.logos[slot - 1];
  const LogoSlot before = logo;
  logo.path = path;
  logo.height = check.height;
  if (session.io.view.ShowLogo(slot)) return;
  // The image box keeps its picture when a bitmap cannot be decoded, so
  // putting the slot back leaves it exactly as it was.
  logo = before;
  session.io.panel.ShowMessage("Logo" + std::to_string(slot) + " cannot be displayed .");
}

}  // namespace

std::optional<std::string> ApplyFormatFile(Session& session, const FormatFile& file) {
  TicketSetup& setup = session.setup;
  for (int index = 0; index < kFormatFileLines; ++index) {
    if (static_cast<std::size_t>(index) >= file.lines.size()) {
      return "List index out of bounds (" + std::to_string(index) + ")";
    }
    const std::string& line = file.lines[static_cast<std::size_t>(index)];
    const FormatField field = FieldAt(setup, index);
    switch (field.type) {
      case FieldType::Radio: {
        const auto value = ParseWholeNumber(line);
        if (!value) return NotAnIntegerMessage(Cp1252ToUtf8(line));
        *field.item = ClampItem(*value, field.itemCount);
        break;
      }
      case FieldType::Check:
        *field.check = line == "1";
        break;
      case FieldType::Multiplier: {
        std::string text = Cp1252ToUtf8(line);
        const bool changed = text != *field.multiplier;
        *field.multiplier = std::move(text);
        if (changed && field.isDecimals) CheckDecimalPlaces(session);
        break;
      }
      case FieldType::TicketText:
        field.line->SetText(line);
        break;
      case FieldType::Logo:
        ApplyLogoLine(session, field.slot, line);
        break;
    }
  }
  return std::nullopt;
}

FormatFileRead ReadFormatFile(const std::string& path) {
  FormatFileRead read;
  const auto head = ReadFileHead(path, kMaxFormatFileBytes);
  if (!head) {
    read.problem = "Cannot open file " + path;
    return read;
  }
  FormatFile file = FormatFile::Parse(head->bytes);
  // Cut off inside the first 132 lines: the last of them may be incomplete.
  if (head->truncated && file.lines.size() <= static_cast<std::size_t>(kFormatFileLines)) {
    read.problem = "Cannot open file " + path + " : too large for a format file.";
    return read;
  }
  if (const auto longLine = file.LineOverLimit()) {
    read.problem = "Cannot open file " + path + " : line " + std::to_string(*longLine) +
                   " is longer than " + std::to_string(kMaxFormatLineBytes) + " bytes.";
    return read;
  }
  read.file = std::move(file);
  return read;
}

bool LoadFormatFile(Session& session) {
  const auto chosen = session.io.panel.ChooseOpenFile("Orvex Files(*.orx)|*.orx");
  if (!chosen) return false;
  return LoadFormatFileAt(session, *chosen);
}

bool LoadFormatFileAt(Session& session, const std::string& path) {
  const FormatFileRead read = ReadFormatFile(path);
  if (!read.file) {
    session.io.panel.ShowMessage(read.problem);
    return false;
  }
  const auto stop = ApplyFormatFile(session, *read.file);
  // Lines before a failing one have been applied: show them either way.
  session.io.view.RefreshSetup();
  session.io.panel.ShowMessage(stop ? *stop : std::string("Load finished."));
  return !stop;
}

}  // namespace orvex::core
