// orvex-fleet against several orvex-sim instances on pseudo-terminals, in
// real time: read-outs with a garbled and a vanishing printer, the checks a
// production line relies on, the period workbooks, a stop, bad input.

#include <poll.h>
#include <signal.h>

#include <fstream>

#include "sim_farm.h"

namespace orvex::cli {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A control character as raw bytes: C0, DEL, or C1 in UTF-8.
bool HasRawControl(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if ((c < 0x20 && c != '\n' && c != '\r') || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

class FleetE2E : public test::SimFarm {
 protected:
  Outcome Fleet(std::vector<std::string> args, std::vector<std::string> env = {}) {
    return RunProgram(ORVEX_FLEET_EXE, args, 120000, std::move(env));
  }
  std::vector<std::string> Ports(int count) const {
    std::vector<std::string> args;
    for (int n = 1; n <= count; ++n) {
      args.push_back("--port");
      args.push_back("COM" + std::to_string(n));
    }
    return args;
  }
  std::string Csv() const { return (folder_ / "readouts.csv").string(); }
  // The rows of a workbook, column 1, as xlrd reads them.
  std::vector<std::string> WorkbookColumn(const fs::path& file) const {
    const fs::path script = folder_ / "xls.py";
    test::WriteFile(script,
                    "import sys, xlrd\n"
                    "s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)\n"
                    "print(s.name)\n"
                    "for r in range(s.nrows): print(s.cell_value(r, 0))\n");
    const fs::path out = folder_ / "xls.txt";
    // Debian's interpreter carries python3-xlrd.
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    if (!test::Run(python + " " + script.string() + " '" + file.string() + "' > " + out.string())) {
      return {};
    }
    std::vector<std::string> rows;
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);) rows.push_back(line);
    return rows;
  }
};

TEST_F(FleetE2E, ReadOutsOfFourPrintersOneGarbledAndOneHangingUpFailAlone) {
  StartSim("COM1");
  StartSim("COM2", {"--variant", "18", "--records", "2010-01-01:2010-01-31"});
  // The variant answer, then a garbled firmware answer. (The simulated
  // printers announce themselves when the port opens, so the run waits for
  // that: a probe crossing it would be answered too and count as a reply.)
  StartSim("COM3", {"--fault-every", "2", "--garbage-replies", "1"});
  const std::size_t silent = SilentPort("COM4");
  std::vector<std::string> args = {
      "read", "--json", Json(), "--csv", Csv(), "--wait-announcement", "--wait-online", "20"};
  for (const std::string& port : Ports(4)) args.push_back(port);
  ChildProcess run(ORVEX_FLEET_EXE, args, ProgramOptions());
  // COM4 announces itself once its port is open (its master no longer
  // reports the device end closed) and is asked for its variant; then its
  // line goes dead.
  const int master = SilentMaster(silent);
  pollfd line{master, POLLIN, 0};
  for (int tries = 0; tries < 500 && poll(&line, 1, 0) == 1 && (line.revents & POLLHUP) != 0;
       ++tries) {
    usleep(20000);
  }
  const std::uint8_t announcement = 0x26;
  for (int tries = 0; tries < 50 && poll(&line, 1, 200) == 0; ++tries) {
    ASSERT_EQ(write(master, &announcement, 1), 1);
  }
  ASSERT_NE(line.revents & POLLIN, 0);
  const auto hungUp = std::chrono::steady_clock::now();
  close(SilentMaster(silent));
  SilentMaster(silent) = -1;
  const auto exit = run.Wait(60000);
  const double afterHangUp =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - hungUp).count();
  const std::string out = test::ReadFile(folder_ / "program.out");
  ASSERT_EQ(exit, 1) << out << test::ReadFile(folder_ / "program.err");

  EXPECT_EQ(Ask("[p[n]['result'] for n in ('COM1', 'COM2', 'COM3', 'COM4')]"),
            "['succeeded', 'succeeded', 'failed', 'failed']");
  EXPECT_EQ(Ask("p['COM1']['firmware']['version'], p['COM1']['firmware']['checksums']"),
            "('ORVEX-58 V2.15 ', ['3C5A', 'E10F'])");
  EXPECT_EQ(Ask("p['COM1']['multipliers']"), "{'coin': 1, 'note': 1, 'payout': 1, 'decimals': 0}");
  EXPECT_EQ(Ask("p['COM1']['print_status']['date_format'], p['COM2']['variant']"),
            "('YY/MM/DD', '18 symbols')");
  // Each printer's own records make its totals.
  EXPECT_NE(Ask("p['COM1']['totals']['coin']"), Ask("p['COM2']['totals']['coin']"));
  EXPECT_THAT(Ask("p['COM1']['log']"),
              HasSubstr("'Total Coin : " + Ask("p['COM1']['totals']['coin']") + "'"));
  // The garbled answer fails its printer; the other read-outs were still taken.
  EXPECT_EQ(Ask("p['COM3']['reason']"), "firmware: garbled answer: 8 bytes where 19 come");
  EXPECT_EQ(Ask("[t['result'] for t in p['COM3']['tasks']]"),
            "['failed', 'done', 'done', 'done', 'done']");
  // The hang-up ended COM4 at once, with nothing else asked of it.
  EXPECT_THAT(Ask("p['COM4']['reason']"), HasSubstr("the port hung up"));
  EXPECT_EQ(Ask("p['COM4']['variant'], p['COM4']['tasks'][0]['result']"), "('unknown', 'not run')");
  // The run ended well before the 20 s a printer may take to be identified,
  // let alone a reply's timeout: nothing waited on the dead line.
  EXPECT_LT(afterHangUp, 15.0);

  const std::string csv = test::ReadFile(Csv());
  EXPECT_THAT(csv, HasSubstr("\r\nCOM1,/dev/pts/"));
  EXPECT_THAT(csv, HasSubstr(",succeeded,20 symbols,ORVEX-58 V2.15,3C5A,E10F,"));
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
  // Whatever the garbled printer sent shows as \xHH, never as itself.
  EXPECT_THAT(Ask("p['COM3']['firmware']['version']"), HasSubstr("\\x"));
  for (const std::string& text : {out, test::ReadFile(Json()), csv}) {
    EXPECT_FALSE(HasRawControl(text)) << text;
  }
  EXPECT_THAT(out, HasSubstr("COM4: FAILED: the port hung up"));
  // Told once: plain lines have no rows to make up for at the end.
  EXPECT_EQ(out.find("COM4: FAILED"), out.rfind("COM4: FAILED"));
  EXPECT_THAT(out, HasSubstr("\n4 printers: 2 succeeded, 2 failed\n"));
}

TEST_F(FleetE2E, CheckExitsZeroOnlyWhenFirmwareChecksumsAndClockMatch) {
  StartSim("COM1", {}, {"TZ=UTC0"});
  StartSim("COM2", {}, {"TZ=UTC-3"});  // its clock runs three hours ahead
  StartSim("COM3", {}, {"TZ=UTC0"});
  std::vector<std::string> all = {"check",      "--firmware",        "ORVEX-58 V2.15",
                                  "--checksum", "3c5a e10f",         "--json",
                                  Json(),       "--clock-tolerance", "2"};
  for (const std::string& port : Ports(3)) all.push_back(port);
  const Outcome run = Fleet(all, {"TZ=UTC0"});
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(Ask("[p[n]['result'] for n in ('COM1', 'COM2', 'COM3')]"),
            "['succeeded', 'failed', 'succeeded']");
  EXPECT_EQ(Ask("[(c['item'], c['result']) for c in p['COM2']['checks']]"),
            "[('firmware', 'match'), ('checksums', 'match'), ('clock', 'mismatch')]");
  EXPECT_THAT(Ask("p['COM2']['reason']"), StartsWith("clock: mismatch (read 20"));
  EXPECT_EQ(Ask("round(p['COM2']['clock']['printer_ahead_seconds'] / 60)"), "180");
  EXPECT_EQ(Ask("r['expected']['checksums'], r['expected']['clock_tolerance_minutes']"),
            "(['3C5A', 'E10F'], 2)");

  const Outcome matching = Fleet({"check", "--firmware", "ORVEX-58 V2.15", "--checksum", "3C5AE10F",
                                  "--clock-tolerance", "2", "--port", "COM1", "--port", "COM3"},
                                 {"TZ=UTC0"});
  EXPECT_EQ(matching.exit, 0) << matching.out << matching.err;
  EXPECT_THAT(matching.out, HasSubstr("2 printers: 2 succeeded, 0 failed"));

  const Outcome otherFirmware =
      Fleet({"check", "--firmware", "ORVEX-58 V2.16", "--port", "COM1", "--json", Json()});
  EXPECT_EQ(otherFirmware.exit, 1);
  EXPECT_EQ(Ask("p['COM1']['reason']"),
            "firmware: mismatch (read ORVEX-58 V2.15, expected ORVEX-58 V2.16)");
}

TEST_F(FleetE2E, RecordsOfEveryPrinterGoIntoWorkbooksNamedByPortAndPeriod) {
  StartSim("COM1");  // day records of March 2005
  StartSim("COM2", {"--records", "2005-03-10:2005-04-20", "--seed", "2"});
  StartSim("COM3", {"--records", "none"});
  const fs::path books = folder_ / "books";
  fs::create_directories(books);
  std::vector<std::string> args = {"records",  "--from",       "2005-03-01", "--to", "2005-03-31",
                                   "--folder", books.string(), "--json",     Json()};
  for (const std::string& port : Ports(3)) args.push_back(port);
  const Outcome run = Fleet(args);
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  const fs::path com1 = books / "COM1_2005-03-01_2005-03-31_Orvex_Report.xls";
  const fs::path com2 = books / "COM2_2005-03-01_2005-03-31_Orvex_Report.xls";
  EXPECT_EQ(Ask("p['COM1']['records']['workbook'], p['COM2']['records']['workbook']"),
            "('" + com1.string() + "', '" + com2.string() + "')");
  EXPECT_EQ(Ask("p['COM2']['records']['selected']"), "{'from': '2005-03-01', 'to': '2005-03-31'}");
  EXPECT_EQ(Ask("p['COM3']['records']"), "{'found': False, 'selected': None, 'workbook': None}");
  EXPECT_EQ(std::distance(fs::directory_iterator(books), fs::directory_iterator()), 2);

  // The window's layout: eleven rows a day, the serial number after the last.
  const std::vector<std::string> rows = WorkbookColumn(com1);
  ASSERT_EQ(rows.size(), 1u + 31 * 11 + 1) << run.out;
  EXPECT_EQ(rows[0], "PERIOD REPORT");
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 1, rows.begin() + 12),
            (std::vector<std::string>{"Date & Time", "2005-03-01", "Coin-In", rows[4], "Note-In",
                                      rows[6], "Payout", rows[8], "Ticket-Out", rows[10], ""}));
  EXPECT_EQ(rows[1 + 30 * 11 + 1], "2005-03-31");
  EXPECT_THAT(rows.back(), StartsWith("   -- Serial Number : "));
  // All of COM1's records lie in the period: their coin-in adds up to its total.
  long long coinIn = 0;
  for (std::size_t day = 0; day < 31; ++day) coinIn += std::stoll(rows[1 + day * 11 + 3]);
  ASSERT_EQ(Fleet({"read", "--only", "totals", "--port", "COM1", "--json", Json()}).exit, 0);
  EXPECT_EQ(std::to_string(coinIn), Ask("p['COM1']['totals']['coin']"));

  // Again: the workbooks there are kept, the new ones go beside them.
  const std::string first = test::ReadFile(com1);
  ASSERT_EQ(Fleet(args).exit, 0);
  EXPECT_EQ(Ask("p['COM1']['records']['workbook']"),
            (books / "COM1_2005-03-01_2005-03-31_Orvex_Report (2).xls").string());
  EXPECT_EQ(test::ReadFile(com1), first);
}

TEST_F(FleetE2E, AStopEndsTheRequestsUnderWayAndTheReportSaysWhatWasNotDone) {
  StartSim("COM1");
  StartSim("COM2", {"--drop-replies", "all"});  // never answers
  std::vector<std::string> args = {"test-print", "--plain", "--json", Json()};
  for (int round = 0; round < 3; ++round) {
    for (const char* what : {"coin-ticket", "note-ticket", "payout-ticket"}) args.push_back(what);
  }
  for (const std::string& port : Ports(2)) args.push_back(port);
  ChildProcess::Options options = ProgramOptions();
  options.stdoutPath.clear();
  options.stdoutPipe = true;
  ChildProcess run(ORVEX_FLEET_EXE, args, options);
  // The silent printer's wait is told in the plain lines as it goes on.
  bool waiting = false;
  while (const auto line = run.ReadLine(20000)) {
    if (line->starts_with("COM2: printing the coin test ticket: no answer for ") &&
        line->ends_with(" s of 90")) {
      waiting = true;
      break;
    }
  }
  ASSERT_TRUE(waiting);
  const auto signalled = std::chrono::steady_clock::now();
  run.Signal(SIGINT);
  const auto exit = run.Wait(10000);
  const double stopping =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  EXPECT_EQ(exit, 3);
  // COM1's print under way is finished (1.5 s); COM2's is given up after 2 s.
  EXPECT_LT(stopping, 4.0);
  EXPECT_EQ(Ask("r['interrupted'], p['COM1']['result'], p['COM2']['result']"),
            "(True, 'interrupted', 'interrupted')");
  EXPECT_EQ(Ask("[t['result'] for t in p['COM2']['tasks']][:2]"), "['interrupted', 'not run']");
  EXPECT_EQ(Ask("p['COM2']['reason']"),
            "stopped by a signal; not done: coin-ticket, note-ticket, payout-ticket, "
            "coin-ticket, note-ticket, payout-ticket, coin-ticket, note-ticket, payout-ticket");
  const std::string com1 = Ask("[t['result'] for t in p['COM1']['tasks']]");
  EXPECT_THAT(com1, StartsWith("['done', 'done', 'done',"));
  EXPECT_THAT(com1, HasSubstr("'done', 'not run'"));
  EXPECT_EQ(com1.find("failed"), std::string::npos);
  EXPECT_THAT(Ask("p['COM1']['reason']"), StartsWith("stopped by a signal; not done: "));
  // The ports were let go.
  EXPECT_EQ(Fleet({"read", "--only", "firmware", "--port", "COM1"}).exit, 0);
}

TEST_F(FleetE2E, BadInputIsNamedAndNothingIsSent) {
  StartSim("COM1");
  StartSim("COM2");
  test::WriteFile(folder_ / "file", "");
  fs::create_symlink(ORVEX_SIM_EXE, config_ / "orvex-tool/ports/COM5");  // no device
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given"},
      {{"print", "--port", "COM1"}, "unknown command 'print'"},
      {{"check", "--port", "COM1"}, "check wants at least one of"},
      {{"check", "--port", "COM1", "--checksum", "3C5A"}, "--checksum wants the two checksums"},
      {{"records", "--port", "COM1", "--from", "2025-01-01", "--to", "2025-01-31"},
       "Year must be from 2002 to 2021."},
      {{"records", "--port", "COM1", "--from", "2005-01-01", "--to", "2005-01-31", "--folder",
        (folder_ / "none").string()},
       "no such folder"},
      {{"records", "--port", "COM1", "--from", "2005-01-01", "--to", "2005-01-31", "--folder",
        (folder_ / "file").string()},
       "no such folder"},
      {{"date-format", "YYYY-MM-DD", "--port", "COM1"}, "unknown 'YYYY-MM-DD' for date-format"},
      {{"read", "--port", "COM1", "--port", "LPT1"}, "unknown port name 'LPT1'"},
      {{"read", "--port", "COM1", "--port", "com 1"}, "port COM1 named twice"},
      {{"read", "--port", "COM1", "--json", (folder_ / "no/such/r.json").string()},
       "cannot write the report"},
      {{"read", "--port", "COM1", "--csv", "/dev/stdout"},
       "it is where standard output goes (--csv - writes"},
  };
  for (const auto& [args, message] : cases) {
    const Outcome run = Fleet(args);
    EXPECT_EQ(run.exit, 2) << message;
    EXPECT_THAT(run.err, HasSubstr(message));
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_FALSE(SimReceivedAnything("COM1"));
  EXPECT_FALSE(SimReceivedAnything("COM2"));
}

}  // namespace
}  // namespace orvex::cli
