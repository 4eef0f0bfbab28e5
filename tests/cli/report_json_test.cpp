// The --json report: valid JSON whatever the printers said.
#include "cli/provision/report_json.h"

#include <gtest/gtest.h>

#include "bitmaps.h"

namespace orvex::cli::provision {
namespace {

namespace fs = std::filesystem;

TEST(ReportJson, StringsAreEscaped) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString("tab\tnl\ncr\r"), "\"tab\\tnl\\ncr\\r\"");
  EXPECT_EQ(JsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(JsonString("£ 5"), "\"£ 5\"");
}

TEST(ReportJson, BrokenUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(JsonString("a\xff"
                       "b"),
            "\"a\xEF\xBF\xBD"
            "b\"");
  EXPECT_EQ(JsonString("\xC3"), "\"\xEF\xBF\xBD\"");                  // cut short
  EXPECT_EQ(JsonString("\xC0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");  // overlong
}

TEST(ReportJson, AWholeReportParses) {
  RunReport run;
  run.version = "2.0.7";
  run.setupPath = "/tmp/shop \"1\".orx";
  run.started = "2025-01-02T03:04:05";
  PrinterReport ok;
  ok.port = "COM1";
  ok.device = "/dev/pts/3";
  ok.online = true;
  ok.variant = cli::Variant::Wide20;
  ok.firmware = core::FirmwareReply{"ORVEX 58 V1.2", "1234", "0ABC"};
  ok.steps[0].result = StepOutcome::Skipped;
  ok.steps[0].detail = "Year must be smaller than 2022.";
  ok.checks.push_back({"multipliers", cli::CheckResult::Match, "coin 1", "coin 1"});
  ok.outcome = cli::Outcome::Succeeded;
  ok.log = {"Orvex is online .", ""};
  PrinterReport silent;
  silent.port = "COM2";
  silent.outcome = cli::Outcome::Failed;
  silent.reason = "the printer did not announce itself";
  run.printers = {ok, silent};
  run.exitStatus = 1;

  const fs::path folder = test::TempFolder("provision-json");
  const fs::path path = folder / "report.json";
  test::WriteFile(path, ReportJson(run));
  const std::string check =
      "python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); "
      "p=r[\"printers\"]; "
      "assert r[\"setup\"]==\"/tmp/shop \\\"1\\\".orx\"; "
      "assert r[\"exit_status\"]==1 and r[\"interrupted\"] is False; "
      "assert p[0][\"firmware\"][\"checksums\"]==[\"1234\",\"0ABC\"]; "
      "assert len(p[0][\"steps\"])==10 and p[0][\"steps\"][0][\"result\"]==\"skipped\"; "
      "assert p[0][\"steps\"][4][\"name\"]==\"Coin Format\"; "
      "assert p[0][\"verification\"][0][\"result\"]==\"match\"; "
      "assert p[1][\"firmware\"] is None and p[1][\"variant\"]==\"unknown\"; "
      "assert p[1][\"result\"]==\"failed\" and p[1][\"log\"]==[]' " +
      path.string();
  EXPECT_TRUE(test::Run(check)) << test::ReadFile(path);
  fs::remove_all(folder);
}

}  // namespace
}  // namespace orvex::cli::provision
