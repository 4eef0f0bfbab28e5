#include "cli/fleet/fleet_json.h"

#include <cstdio>

#include "cli/json_writer.h"
#include "cli/readouts.h"
#include "core/text/escaped_text.h"

namespace orvex::cli::fleet {

namespace {

using cli::JsonBool;
using cli::JsonField;
using cli::JsonNumber;
using cli::JsonString;
using cli::JsonWriter;

std::string Date(const core::CalendarDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
  return text;
}

std::string Object(const std::vector<std::string>& fields) {
  std::string text = "{";
  for (std::size_t i = 0; i < fields.size(); ++i) text += (i > 0 ? ", " : "") + fields[i];
  return text + "}";
}

std::string Count(std::uint64_t value) {
  return std::to_string(value);
}

std::string Clock(const FleetPrinterReport& p) {
  if (!p.clock) return "null";
  const auto time = cli::PrinterTime(p.clock->printer);
  return Object(
      {JsonField("printer", JsonString(cli::DescribePrinterClock(p.clock->printer))),
       JsonField("read_error", JsonBool(p.clock->printer.readError)),
       JsonField("pc", JsonString(cli::Describe(p.clock->pc))),
       JsonField("printer_ahead_seconds",
                 time ? std::to_string(cli::SecondsBetween(p.clock->pc, *time)) : "null")});
}

std::string Multipliers(const FleetPrinterReport& p) {
  if (!p.multipliers) return "null";
  const core::MultiplierReply& m = *p.multipliers;
  return Object({JsonField("coin", Count(m.coin)), JsonField("note", Count(m.note)),
                 JsonField("payout", Count(m.payout)), JsonField("decimals", Count(m.decimals))});
}

std::string PrintStatus(const FleetPrinterReport& p) {
  if (!p.printStatus) return "null";
  const core::PrintStatusReply& s = *p.printStatus;
  return Object({JsonField("byte", Count(s.byte)), JsonField("coin_ticket", JsonBool(s.coin)),
                 JsonField("note_ticket", JsonBool(s.note)),
                 JsonField("payout_ticket", JsonBool(s.payout)),
                 JsonField("date_format", JsonString(cli::DateFormatName(s.dateFormat))),
                 JsonField("symbol_on_payout_ticket", JsonBool(s.symbol)),
                 JsonField("record_search", JsonBool(s.recordSearch))});
}

std::string Totals(const FleetPrinterReport& p) {
  if (!p.totals) return "null";
  const core::SummaryReply& t = *p.totals;
  return Object({JsonField("coin", Count(t.coin)), JsonField("note", Count(t.note)),
                 JsonField("payout", Count(t.payout)),
                 JsonField("tickets_out", Count(t.ticketsOut))});
}

std::string Records(const FleetPrinterReport& p) {
  if (!p.records) return "null";
  const RecordsResult& r = *p.records;
  return Object(
      {JsonField("found", JsonBool(r.found)),
       JsonField("selected", r.found ? Object({JsonField("from", JsonString(Date(r.selectedBegin))),
                                               JsonField("to", JsonString(Date(r.selectedEnd)))})
                                     : "null"),
       JsonField("workbook", r.workbook ? JsonString(*r.workbook) : "null")});
}

void WritePrinter(JsonWriter& w, const FleetPrinterReport& p, bool last) {
  w.Line(2, "{");
  cli::WritePrinterHead(w, 3, p);
  w.Line(3, JsonField("clock", Clock(p)) + ",");
  w.Line(3, JsonField("multipliers", Multipliers(p)) + ",");
  w.Line(3, JsonField("print_status", PrintStatus(p)) + ",");
  w.Line(3, JsonField("totals", Totals(p)) + ",");
  w.Line(3, JsonField("records", Records(p)) + ",");
  w.Line(3, p.tasks.empty() ? "\"tasks\": []," : "\"tasks\": [");
  for (std::size_t i = 0; i < p.tasks.size(); ++i) {
    const TaskRecord& t = p.tasks[i];
    w.Line(4, Object({JsonField("task", JsonString(TaskName(t.task))),
                      JsonField("result", JsonString(TaskResultName(t.result))),
                      JsonField("problem", JsonString(t.problem)),
                      JsonField("detail", JsonString(t.detail)),
                      JsonField("seconds", JsonNumber(t.seconds))}) +
                  (i + 1 < p.tasks.size() ? "," : ""));
  }
  if (!p.tasks.empty()) w.Line(3, "],");
  w.Line(3, p.checks.empty() ? "\"checks\": []," : "\"checks\": [");
  for (std::size_t i = 0; i < p.checks.size(); ++i) {
    const cli::CheckRecord& c = p.checks[i];
    w.Line(4, Object({JsonField("item", JsonString(c.item)),
                      JsonField("result", JsonString(cli::CheckResultName(c.result))),
                      JsonField("expected", JsonString(c.expected)),
                      JsonField("read", JsonString(c.read))}) +
                  (i + 1 < p.checks.size() ? "," : ""));
  }
  if (!p.checks.empty()) w.Line(3, "],");
  cli::WritePrinterTail(w, 3, p);
  w.Line(2, std::string("}") + (last ? "" : ","));
}

std::string Optional(const std::optional<std::string>& text) {
  return text ? JsonString(*text) : "null";
}

}  // namespace

std::string FleetJson(const FleetRun& run) {
  const FleetCommandLine& c = *run.command;
  JsonWriter w;
  w.Line(0, "{");
  w.Line(1, JsonField("program", JsonString("orvex-fleet")) + ",");
  w.Line(1, JsonField("version", JsonString(run.version)) + ",");
  w.Line(1, JsonField("command", JsonString(CommandName(*c.command))) + ",");
  std::string tasks = "[";
  for (std::size_t i = 0; i < c.tasks.size(); ++i) {
    tasks += (i > 0 ? ", " : "") + JsonString(TaskName(c.tasks[i]));
  }
  w.Line(1, JsonField("tasks", tasks + "]") + ",");
  w.Line(1, JsonField("started", JsonString(run.started)) + ",");
  w.Line(1,
         JsonField("options", Object({JsonField("probe", JsonBool(c.identify.probe)),
                                      JsonField("wait_online_seconds",
                                                std::to_string(c.identify.onlineWaitMs / 1000))})) +
             ",");
  const Expectations& e = c.expect;
  w.Line(
      1,
      JsonField(
          "expected",
          Object({JsonField("firmware", Optional(e.firmware)),
                  JsonField("checksums", e.checksums ? "[" + JsonString((*e.checksums)[0]) + ", " +
                                                           JsonString((*e.checksums)[1]) + "]"
                                                     : "null"),
                  JsonField("clock_tolerance_minutes",
                            e.clockToleranceMinutes ? std::to_string(*e.clockToleranceMinutes)
                                                    : "null")})) +
          ",");
  const bool records = *c.command == Command::Records;
  w.Line(1,
         JsonField("period", records ? Object({JsonField("from", JsonString(Date(c.period.begin))),
                                               JsonField("to", JsonString(Date(c.period.end))),
                                               JsonField("folder", JsonString(run.folder))})
                                     : "null") +
             ",");
  w.Line(1, JsonField("interrupted", JsonBool(run.interrupted)) + ",");
  w.Line(1, JsonField("exit_status", std::to_string(run.exitStatus)) + ",");
  w.Line(1, "\"printers\": [");
  for (std::size_t i = 0; i < run.printers.size(); ++i) {
    WritePrinter(w, run.printers[i], i + 1 == run.printers.size());
  }
  w.Line(1, "]");
  w.Line(0, "}");
  return w.Take();
}

std::string CsvField(const std::string& text) {
  std::string shown = core::EscapeControls(text);
  const bool quoted = shown.find_first_of(",\"") != std::string::npos ||
                      (!shown.empty() && (shown.front() == ' ' || shown.back() == ' '));
  if (!quoted) return shown;
  std::string out = "\"";
  for (char c : shown) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string ReadoutCsv(const std::vector<FleetPrinterReport>& printers) {
  std::string csv =
      "port,device,result,variant,firmware,checksum1,checksum2,printer_clock,pc_clock,"
      "coin_multiplier,note_multiplier,payout_multiplier,decimals,print_coin_ticket,"
      "print_note_ticket,print_payout_ticket,date_format,symbol_on_payout_ticket,"
      "print_record_search,total_coin,total_note,total_payout,total_tickets_out,reason\r\n";
  const auto yes = [](bool on) { return std::string(on ? "yes" : "no"); };
  for (const FleetPrinterReport& p : printers) {
    std::vector<std::string> row = {p.port, p.device, cli::OutcomeName(p.outcome),
                                    p.online ? cli::VariantName(p.variant) : ""};
    const auto add = [&row](bool have, std::initializer_list<std::string> values) {
      for (const std::string& value : values) row.push_back(have ? value : "");
    };
    const core::FirmwareReply firmware = p.firmware.value_or(core::FirmwareReply{});
    add(p.firmware.has_value(),
        {cli::TrimmedVersion(firmware), firmware.checksum1, firmware.checksum2});
    add(p.clock.has_value(), {p.clock ? cli::DescribePrinterClock(p.clock->printer) : "",
                              p.clock ? cli::Describe(p.clock->pc) : ""});
    const core::MultiplierReply m = p.multipliers.value_or(core::MultiplierReply{});
    add(p.multipliers.has_value(),
        {Count(m.coin), Count(m.note), Count(m.payout), Count(m.decimals)});
    const core::PrintStatusReply s = p.printStatus.value_or(core::PrintStatusReply{});
    add(p.printStatus.has_value(),
        {yes(s.coin), yes(s.note), yes(s.payout), cli::DateFormatName(s.dateFormat), yes(s.symbol),
         yes(s.recordSearch)});
    const core::SummaryReply t = p.totals.value_or(core::SummaryReply{});
    add(p.totals.has_value(), {Count(t.coin), Count(t.note), Count(t.payout), Count(t.ticketsOut)});
    row.push_back(p.reason);
    for (std::size_t i = 0; i < row.size(); ++i) csv += (i > 0 ? "," : "") + CsvField(row[i]);
    csv += "\r\n";
  }
  return csv;
}

}  // namespace orvex::cli::fleet
