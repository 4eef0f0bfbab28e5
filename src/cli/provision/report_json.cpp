#include "cli/provision/report_json.h"

namespace orvex::cli::provision {

namespace {

using cli::JsonBool;
using cli::JsonField;
using cli::JsonNumber;
using cli::JsonWriter;

void WritePrinter(JsonWriter& w, const PrinterReport& p, bool last) {
  w.Line(2, "{");
  cli::WritePrinterHead(w, 3, p);
  w.Line(3, "\"steps\": [");
  for (std::size_t i = 0; i < p.steps.size(); ++i) {
    const StepRecord& s = p.steps[i];
    w.Line(4, "{" + JsonField("step", std::to_string(core::StepNumber(s.step))) + ", " +
                  JsonField("name", JsonString(StepName(s.step))) + ", " +
                  JsonField("result", JsonString(StepOutcomeName(s.result))) + ", " +
                  JsonField("detail", JsonString(s.detail)) + ", " +
                  JsonField("seconds", JsonNumber(s.seconds)) + "}" +
                  (i + 1 < p.steps.size() ? "," : ""));
  }
  w.Line(3, "],");
  if (p.checks.empty()) {
    w.Line(3, "\"verification\": [],");
  } else {
    w.Line(3, "\"verification\": [");
    for (std::size_t i = 0; i < p.checks.size(); ++i) {
      const cli::CheckRecord& c = p.checks[i];
      w.Line(4, "{" + JsonField("item", JsonString(c.item)) + ", " +
                    JsonField("result", JsonString(cli::CheckResultName(c.result))) + ", " +
                    JsonField("sent", JsonString(c.expected)) + ", " +
                    JsonField("read", JsonString(c.read)) + "}" +
                    (i + 1 < p.checks.size() ? "," : ""));
    }
    w.Line(3, "],");
  }
  cli::WritePrinterTail(w, 3, p);
  w.Line(2, std::string("}") + (last ? "" : ","));
}

}  // namespace

std::string ReportJson(const RunReport& run) {
  JsonWriter w;
  w.Line(0, "{");
  w.Line(1, JsonField("program", JsonString("orvex-provision")) + ",");
  w.Line(1, JsonField("version", JsonString(run.version)) + ",");
  w.Line(1, JsonField("setup", JsonString(run.setupPath)) + ",");
  w.Line(1, JsonField("started", JsonString(run.started)) + ",");
  w.Line(1, JsonField("options", "{" + JsonField("erase_records", JsonBool(run.eraseRecords)) +
                                     ", " + JsonField("set_clock", JsonBool(run.setClock)) + ", " +
                                     JsonField("probe", JsonBool(run.probe)) + "}") +
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

}  // namespace orvex::cli::provision
