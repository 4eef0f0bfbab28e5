#include "core/formatfile/format_fields.h"

namespace orvex::core {

namespace {

constexpr int kSymbolLine = 0;
constexpr int kFirstMultiplierLine = 1;
constexpr int kFirstCheckLine = 5;
constexpr int kFirstLogoLine = 9;
constexpr int kFirstTextLine = 12;
constexpr int kFirstRadioLine = 42;
constexpr int kLinesPerFormatLine = 3;  // size, height, kind
constexpr int kLinesPerTicketRadios = kLinesPerTicket * kLinesPerFormatLine;

FormatField Radio(int& item, int count) {
  FormatField field;
  field.type = FieldType::Radio;
  field.item = &item;
  field.itemCount = count;
  return field;
}

}  // namespace

FormatField FieldAt(TicketSetup& setup, int index) {
  FormatField field;
  if (index == kSymbolLine) return Radio(setup.symbolItemWide, kWideSymbolItems);
  if (index < kFirstCheckLine) {
    std::string* texts[4] = {&setup.multipliers.coin, &setup.multipliers.note,
                             &setup.multipliers.payout, &setup.multipliers.decimals};
    field.type = FieldType::Multiplier;
    field.multiplier = texts[index - kFirstMultiplierLine];
    field.isDecimals = index == kFirstCheckLine - 1;
    return field;
  }
  if (index < kFirstLogoLine) {
    PrintStatus& p = setup.printStatus;
    bool* boxes[4] = {&p.coin, &p.note, &p.payout, &p.symbol};
    field.type = FieldType::Check;
    field.check = boxes[index - kFirstCheckLine];
    return field;
  }
  if (index < kFirstTextLine) {
    field.type = FieldType::Logo;
    field.slot = index - kFirstLogoLine + 1;
    return field;
  }
  if (index < kFirstRadioLine) {
    const int offset = index - kFirstTextLine;
    field.type = FieldType::TicketText;
    field.line = &setup.tickets[offset / kLinesPerTicket][offset % kLinesPerTicket];
    return field;
  }
  const int offset = index - kFirstRadioLine;
  FormatLine& line = setup.tickets[offset / kLinesPerTicketRadios]
                                  [(offset % kLinesPerTicketRadios) / kLinesPerFormatLine];
  switch (offset % kLinesPerFormatLine) {
    case 0:
      return Radio(line.sizeItem, kSizeItems);
    case 1:
      return Radio(line.heightItem, kHeightItems);
    default:
      return Radio(line.kindItem, kKindItems);
  }
}

}  // namespace orvex::core
