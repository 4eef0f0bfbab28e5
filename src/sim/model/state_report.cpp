#include "sim/model/state_report.h"

#include <cstdio>
#include <sstream>

namespace orvex::sim {
namespace {

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
  return text;
}

void DescribeTickets(const PrinterModel& printer, std::ostringstream& out) {
  for (TicketKind kind : {TicketKind::Coin, TicketKind::Note, TicketKind::Payout}) {
    const std::string key = std::string("ticket.") + TicketKindName(kind);
    const std::optional<StoredTicket>& stored = printer.ticket(kind);
    if (!stored) {
      out << key << "=none\n";
      continue;
    }
    out << key << ".symbol=" << Hex(stored->symbol) << "\n";
    const std::vector<LineDescription> lines = printer.DescribeTicket(kind);
    for (size_t i = 0; i < lines.size(); ++i) {
      const LineDescription& line = lines[i];
      out << key << ".line" << (i + 1) << "=" << LineKindName(line.kind);
      if (line.size > 0) out << " size=" << line.size;
      out << " height=" << line.height;
      if (line.kind == LineKind::Text) out << " text=\"" << EscapeBytes(line.text) << "\"";
      if (!line.problem.empty()) {
        out << " raw=" << Hex(line.attribute) << "," << Hex(line.lengthOrKind) << " problem=\""
            << line.problem << "\"";
      }
      out << "\n";
    }
  }
}

}  // namespace

std::string EscapeBytes(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    const unsigned byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != '"') {
      out += c;
    } else {
      char text[8];
      std::snprintf(text, sizeof text, "\\x%02X", byte);
      out += text;
    }
  }
  return out;
}

std::string FormatState(const PrinterModel& printer, std::int64_t nowMs) {
  std::ostringstream out;
  const Multipliers& m = printer.multipliers();
  const ReceivedLog& got = printer.received();
  out << "clock=" << FormatDateTime(printer.ClockAt(nowMs)) << "\n";
  out << "multiplier.coin=" << m.coin << "\n";
  out << "multiplier.note=" << m.note << "\n";
  out << "multiplier.payout=" << m.payout << "\n";
  out << "decimals=" << static_cast<int>(m.decimals) << "\n";
  out << "print_status=" << Hex(printer.printStatus()) << "\n";
  out << "date_format=" << printer.dateFormat() << "\n";
  const std::optional<bool> serial = printer.serialPrinting();
  out << "serial_printing=" << (!serial ? "unset" : *serial ? "on" : "off") << "\n";
  out << "cuts.full=" << got.fullCuts << "\n";
  out << "cuts.part=" << got.partCuts << "\n";
  out << "test_prints.coin=" << got.testPrints[0] << "\n";
  out << "test_prints.note=" << got.testPrints[1] << "\n";
  out << "test_prints.payout=" << got.testPrints[2] << "\n";
  out << "reports.daily=" << got.dailyReports << "\n";
  out << "reports.history=" << got.historyReports << "\n";
  DescribeTickets(printer, out);
  for (int slot = 1; slot <= 3; ++slot) {
    const std::optional<LogoImage>& logo = printer.logo(slot);
    out << "logo" << slot << ".height=";
    if (logo) {
      out << logo->height << "\n";
    } else {
      out << "none\n";
    }
  }
  out << "records.stored=" << printer.records().size() << "\n";
  out << "records.erased=" << got.erases << "\n";
  out << "last_erase=" << FormatDate(printer.lastEraseDate()) << "\n";
  out << "record_searches=" << got.recordSearches << "\n";
  out << "commands=" << printer.handledCommands() << "\n";
  out << "ignored_bytes=" << printer.ignoredBytes() << "\n";
  return out.str();
}

}  // namespace orvex::sim
