// orvex-provision against several orvex-sim instances on pseudo-terminals,
// in real time. A whole batch takes about twenty seconds a printer, and the
// printers run side by side, so each test takes about that long.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bitmaps.h"
#include "child_process.h"
#include "core/formatfile/format_file.h"
#include "ser2net_process.h"
#include "sim_farm.h"

namespace orvex::cli {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::uint8_t Checker(int row, int column) {
  return (row + column) % 2 ? 0xF0 : 0x0F;
}

class ProvisionE2E : public test::SimFarm {
 protected:
  std::string WriteSetup(const core::TicketSetup& setup) {
    const fs::path path = folder_ / "shop.orx";
    test::WriteFile(path, core::FormatFile::FromSetup(setup).Bytes());
    return path.string();
  }
  core::TicketSetup ShopSetup() {
    core::TicketSetup setup;
    setup.multipliers = {"25", "100", "5", "2"};
    setup.printStatus.note = false;
    setup.Ticket(core::TicketKind::Coin)[0].text = "SHOP 12";
    return setup;
  }
  std::string Logo(int height) {
    const fs::path path = folder_ / "logo.bmp";
    test::WriteFile(path, test::MonoBmpBytes(384, height, Checker));
    return path.string();
  }

  Outcome Provision(std::vector<std::string> args, int timeoutMs = 240000) {
    return RunProgram(ORVEX_PROVISION_EXE, args, timeoutMs);
  }
  std::string Steps(const std::string& port) const {
    return Ask("','.join(s['result'] for s in p['" + port + "']['steps'])");
  }
};

TEST_F(ProvisionE2E, ThreePrintersAreSetUpVerifiedAndExitZero) {
  for (const char* port : {"COM1", "COM2", "COM3"}) StartSim(port);
  const Outcome run = Provision({"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--port",
                                 "COM2", "--port", "COM3", "--json", Json()});
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("3 printers: 3 succeeded, 0 failed"));
  for (const char* port : {"COM1", "COM2", "COM3"}) {
    SCOPED_TRACE(port);
    EXPECT_EQ(Ask("p['" + std::string(port) + "']['result']"), "succeeded");
    EXPECT_THAT(Ask("p['" + std::string(port) + "']['device']"), StartsWith("/dev/pts/"));
    EXPECT_THAT(Ask("p['" + std::string(port) + "']['firmware']['version']"), StartsWith("ORVEX"));
    // This PC's year lies past the printer's, so the clock step is skipped,
    // which is no failure.
    EXPECT_EQ(Steps(port), "skipped,skipped,done,done,done,done,done,skipped,skipped,skipped");
    EXPECT_THAT(Ask("p['" + std::string(port) + "']['steps'][0]['detail']"),
                HasSubstr("Year must be smaller than 2022."));
    EXPECT_EQ(
        Ask("[(c['item'], c['result']) for c in p['" + std::string(port) + "']['verification']]"),
        "[('multipliers', 'match'), ('print status', 'match'), ('Coin Format', "
        "'acknowledged'), ('Note Format', 'acknowledged'), ('Payout Format', "
        "'acknowledged')]");
    EXPECT_EQ(Ask("p['" + std::string(port) + "']['verification'][0]['read']"),
              "coin 25, note 100, payout 5, decimals 2");
  }
  EXPECT_EQ(Ask("r['exit_status'], r['interrupted']"), "(0, False)");
  EXPECT_THAT(Ask("r['started']"),
              ::testing::MatchesRegex("[-0-9]{10}T[:0-9]{8}[-+][0-9]{2}:[0-9]{2}"));
  // Plain lines, not a terminal's rows.
  EXPECT_THAT(run.out, HasSubstr("COM2: step 5 Coin Format: done"));
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos);
}

TEST_F(ProvisionE2E, ASilentPrinterIsReportedAndTheOthersFinishUnslowed) {
  StartSim("COM1");
  StartSim("COM2");
  SilentPort("COM3");
  const Outcome run =
      Provision({"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--port", "COM2", "--port",
                 "COM3", "--wait-online", "3", "--no-clock", "--json", Json()});
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(Ask("p['COM3']['result']"), "failed");
  EXPECT_THAT(Ask("p['COM3']['reason']"), HasSubstr("did not announce itself within 3.0 s"));
  EXPECT_EQ(Steps("COM3"),
            "not run,not run,not run,not run,not run,not run,not run,not run,not run,not run");
  EXPECT_EQ(Ask("p['COM1']['result'], p['COM2']['result']"), "('succeeded', 'succeeded')");
  // Nothing was sent to the silent port (its reader now finds it closed).
  fcntl(silentMasters_[0], F_SETFL, O_NONBLOCK);
  char byte = 0;
  EXPECT_LE(read(silentMasters_[0], &byte, 1), 0);
  // The others took as long as one printer alone (about 17 s on an idle
  // machine), and the run no longer than they did.
  const double com1 = std::stod(Ask("p['COM1']['seconds']"));
  EXPECT_LT(com1, 25.0);
  EXPECT_LT(run.seconds, com1 + 2.0);
  EXPECT_THAT(run.out, HasSubstr("COM3: FAILED: the printer did not announce itself"));
}

TEST_F(ProvisionE2E, GarbageAndAHangUpFailTheirPrintersAlone) {
  StartSim("COM1");
  // With the clock left alone the replies are: variant, firmware, three
  // formats, the logo's two acknowledgements, then the multipliers' read-back.
  StartSim("COM2", {"--fault-every", "8", "--garbage-replies", "1"});
  StartSim("COM3", {"--hang-up-after-logo-row", "0"});
  core::TicketSetup setup = ShopSetup();
  setup.logos[0] = {Logo(1), 1};
  const Outcome run = Provision({"--setup", WriteSetup(setup), "--port", "COM1", "--port", "COM2",
                                 "--port", "COM3", "--no-clock", "--json", Json()});
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(Ask("p['COM1']['result']"), "succeeded");
  EXPECT_EQ(Steps("COM1"), "skipped,skipped,done,done,done,done,done,done,skipped,skipped");
  EXPECT_EQ(Ask("[c['result'] for c in p['COM1']['verification']][-1]"), "acknowledged");

  EXPECT_EQ(Ask("p['COM2']['result'], p['COM2']['reason']"),
            "('failed', 'multipliers read back: mismatch')");
  EXPECT_EQ(Ask("p['COM2']['verification'][0]['sent']"), "coin 25, note 100, payout 5, decimals 2");

  EXPECT_EQ(Ask("p['COM3']['result']"), "failed");
  EXPECT_THAT(Ask("p['COM3']['reason']"), HasSubstr("the port hung up during step 8 Logo1"));
  EXPECT_EQ(Steps("COM3"), "skipped,skipped,done,done,done,done,done,failed,not run,not run");
  // The hang-up ended COM3 at once, not after the 90-second reply timeout.
  EXPECT_LT(std::stod(Ask("p['COM3']['seconds']")), 30.0);
  EXPECT_LT(run.seconds, 40.0);
}

TEST_F(ProvisionE2E, BadInputIsNamedAndNothingIsSent) {
  StartSim("COM1");
  StartSim("COM2");
  const std::string setup = WriteSetup(ShopSetup());
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  core::TicketSetup withLogo = ShopSetup();
  withLogo.logos[2] = {Logo(2), 2};
  const std::string logoSetup = (folder_ / "logo.orx").string();
  test::WriteFile(logoSetup, core::FormatFile::FromSetup(withLogo).Bytes());
  test::WriteFile(folder_ / "logo.bmp", test::MonoBmpBytes(384, 400, Checker));  // now too large
  const std::string brokenSetup = (folder_ / "broken.orx").string();
  test::WriteFile(brokenSetup, "0\r\n1\r\n");

  // Report paths that the report would be renamed over at the end of the
  // run (a FIFO, a device, the file standard output goes to), or that would
  // fail only then (a link into a missing folder).
  const fs::path fifo = folder_ / "fifo.json";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path device = folder_ / "null";
  const bool haveDevice = mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  const fs::path intoNowhere = folder_ / "link.json";
  fs::create_symlink(folder_ / "missing" / "r.json", intoNowhere);
  const auto report = [&setup](const fs::path& path) {
    return std::vector<std::string>{"--setup", setup, "--port", "COM1", "--json", path.string()};
  };

  std::vector<Case> cases = {
      {{"--setup", (folder_ / "none.orx").string(), "--port", "COM1"}, "Cannot open file"},
      {{"--setup", brokenSetup, "--port", "COM1"}, "List index out of bounds (2)"},
      {{"--setup", logoSetup, "--port", "COM1"}, "Logo3 sizes too large over 16K ."},
      {{"--setup", setup, "--port", "COM1", "--port", "LPT1"}, "unknown port name 'LPT1'"},
      {{"--setup", setup, "--port", "COM1", "--port", "COM2", "--port", "COM1"},
       "port COM1 named twice"},
      {{"--setup", setup, "--port", "COM1", "--wait-online", "0"}, "--wait-online wants"},
      {{"--setup", setup, "--port", "COM1", "--json", (folder_ / "no/such/folder/r.json").string()},
       "cannot write the report"},
      {report(fifo), fifo.string() + ": it is not a regular file"},
      // Standard output is provision.out, which /dev/stdout leads to.
      {report("/dev/stdout"), "/dev/stdout: it is where standard output goes"},
      {report(intoNowhere), "link.json: cannot make a file in " + (folder_ / "missing").string()},
  };
  if (haveDevice) cases.push_back({report(device), device.string() + ": it is not a regular file"});
  for (const Case& c : cases) {
    const Outcome run = Provision(c.args, 10000);
    EXPECT_EQ(run.exit, 2) << c.message;
    EXPECT_THAT(run.err, HasSubstr(c.message));
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_FALSE(SimReceivedAnything("COM1"));
  EXPECT_FALSE(SimReceivedAnything("COM2"));
  EXPECT_EQ(fs::symlink_status(fifo).type(), fs::file_type::fifo);
  if (haveDevice) {
    EXPECT_EQ(fs::symlink_status(device).type(), fs::file_type::character);
  }
}

TEST_F(ProvisionE2E, ADashWritesTheReportToStandardOutputAndTheLinesToStandardError) {
  SilentPort("COM1");
  const Outcome run = Provision(
      {"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--wait-online", "1", "--json", "-"},
      20000);
  EXPECT_EQ(run.exit, 1) << run.err;
  test::WriteFile(Json(), run.out);  // nothing but the report
  EXPECT_EQ(Ask("p['COM1']['result'], r['exit_status']"), "('failed', 1)");
  EXPECT_THAT(run.err, HasSubstr("COM1: FAILED: the printer did not announce itself"));
  EXPECT_THAT(run.err, HasSubstr("1 printer: 0 succeeded, 1 failed"));
}

TEST_F(ProvisionE2E, InterruptStopsCleanlyAndTheReportSaysWhatWasLeftUndone) {
  StartSim("COM1");
  StartSim("COM2", {"--drop-replies", "all"});  // never answers a request
  ChildProcess::Options options;
  options.env = {"XDG_CONFIG_HOME=" + config_.string()};
  options.stdoutPipe = true;
  options.stderrPath = (folder_ / "program.err").string();
  ChildProcess run(ORVEX_PROVISION_EXE,
                   {"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--port", "COM2",
                    "--no-clock", "--json", Json()},
                   options);
  // Interrupted while COM1 is in the middle of the batch.
  bool inBatch = false;
  while (const auto line = run.ReadLine(15000)) {
    if (line->rfind("COM1: step 4", 0) == 0) {
      inBatch = true;
      break;
    }
  }
  ASSERT_TRUE(inBatch);
  const auto signalled = std::chrono::steady_clock::now();
  run.Signal(SIGINT);
  const auto exit = run.Wait(10000);
  const double stopping =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  EXPECT_EQ(exit, 3);
  // The step under way is finished (a format takes 3.7 s); a request the
  // silent printer never answers is given up after two seconds.
  EXPECT_LT(stopping, 6.0);
  EXPECT_EQ(Ask("r['interrupted'], r['exit_status']"), "(True, 3)");
  EXPECT_EQ(Ask("p['COM1']['result'], p['COM2']['result']"), "('interrupted', 'interrupted')");
  const std::string com1 = Steps("COM1");
  EXPECT_THAT(com1, StartsWith("skipped,skipped,done,done,done,"));
  EXPECT_THAT(com1, HasSubstr("not run,not run,not run"));
  EXPECT_EQ(Ask("p['COM1']['log'][-2]"), "Data transfer interrupt .");
  EXPECT_EQ(Steps("COM2"),
            "not run,not run,not run,not run,not run,not run,not run,not run,not run,not run");
  EXPECT_THAT(test::ReadFile(folder_ / "program.err"), HasSubstr("stopping"));
  // The ports were let go: the same printers can be provisioned again at once.
  const Outcome again =
      Provision({"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--no-clock", "--probe"});
  EXPECT_EQ(again.exit, 0) << again.out << again.err;
}

TEST_F(ProvisionE2E, ErasingTheRecordsRunsTheRenewalAndEveryStepAfterIt) {
  // The printer renews its records while the coin format goes out: its
  // reports come while the worker paces bytes, and each must still be read
  // as its own reply, the coin format's 0xAA after them included.
  StartSim("COM1", {"--records", "2020-01-01:2021-12-31"});
  const Outcome run = Provision({"--setup", WriteSetup(ShopSetup()), "--port", "COM1",
                                 "--erase-records", "--no-clock", "--probe", "--json", Json()});
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_EQ(Steps("COM1"), "skipped,done,done,done,done,done,done,skipped,skipped,skipped");
  const std::string coin = Ask("p['COM1']['steps'][4]['detail']");
  EXPECT_THAT(coin, HasSubstr("Renew records finished ."));
  EXPECT_THAT(coin, HasSubstr("Download coin format finished ."));
  EXPECT_LT(std::stod(Ask("p['COM1']['steps'][4]['seconds']")), 10.0);
}

TEST_F(ProvisionE2E, OnATerminalEachPrinterKeepsOneLine) {
  StartSim("COM1");
  StartSim("COM2", {"--variant", "18"});
  ChildProcess::Options options;
  options.env = {"XDG_CONFIG_HOME=" + config_.string(), "TERM=xterm"};
  options.stdoutPty = true;
  ChildProcess run(ORVEX_PROVISION_EXE,
                   {"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--port", "COM2",
                    "--no-clock", "--probe"},
                   options);
  ASSERT_EQ(run.Wait(60000), 0) << run.TerminalOutput();
  const std::string screen = run.TerminalOutput();
  // The two rows are drawn again in place: cursor up two lines, clear, redraw.
  EXPECT_THAT(screen, HasSubstr("\x1b[2A\r\x1b[KCOM1"));
  EXPECT_THAT(screen, HasSubstr("step 5/10 Coin Format"));
  EXPECT_THAT(screen, HasSubstr("%"));  // the gauge of a download
  const std::size_t last = screen.rfind("\x1b[2A");
  ASSERT_NE(last, std::string::npos);
  const std::string final = screen.substr(last);
  EXPECT_THAT(final, HasSubstr("COM1"));
  EXPECT_THAT(final, HasSubstr("COM2"));
  EXPECT_THAT(final, HasSubstr("succeeded"));
  EXPECT_THAT(final, HasSubstr("2 printers: 2 succeeded, 0 failed"));
}

TEST_F(ProvisionE2E, PrintersBehindOneSer2netAreSetUpThroughIt) {
  if (test::Ser2net::Program().empty()) GTEST_SKIP() << "ser2net is not installed";
  // Three printers on one device server: two in RFC 2217, one in raw TCP,
  // and one of them named through a COM link to its address.
  std::vector<test::Ser2net::Served> served;
  for (const char* port : {"COM1", "COM2", "COM3"}) {
    StartSim(port);
    served.push_back({fs::read_symlink(config_ / "orvex-tool/ports" / port).string(),
                      std::string(port) != "COM2"});
  }
  fs::create_directories(folder_ / "ser2net");
  test::Ser2net server((folder_ / "ser2net").string(), served);
  ASSERT_TRUE(server.Start()) << test::ReadFile(server.log() + ".err");
  fs::create_symlink(server.Address(2), config_ / "orvex-tool/ports/COM7");
  const std::string first = server.Address(0), second = server.Address(1);
  const Outcome run = Provision({"--setup", WriteSetup(ShopSetup()), "--port", first, "--port",
                                 second, "--port", "COM7", "--no-clock", "--json", Json()});
  ASSERT_EQ(run.exit, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("3 printers: 3 succeeded, 0 failed"));
  for (const std::string& port : {first, second, std::string("COM7")}) {
    SCOPED_TRACE(port);
    EXPECT_EQ(Ask("p['" + port + "']['result']"), "succeeded");
    EXPECT_EQ(Steps(port), "skipped,skipped,done,done,done,done,done,skipped,skipped,skipped");
    EXPECT_EQ(Ask("[c['result'] for c in p['" + port + "']['verification']][0]"), "match");
  }
  EXPECT_EQ(Ask("p['COM7']['device']"), server.Address(2));
  // Each printer got its bytes through its own connection.
  for (const char* port : {"COM1", "COM2", "COM3"}) EXPECT_TRUE(SimReceivedAnything(port));
}

// About a hundred seconds: a printer falls silent in the middle of the batch
// and the reply timeout of ninety seconds runs out.
TEST_F(ProvisionE2E, LongAPrinterFallingSilentMidBatchDoesNotHoldTheOthers) {
  StartSim("COM1");
  StartSim("COM2");
  // Variant, firmware, then the coin format's answer is never sent.
  StartSim("COM3", {"--fault-every", "3", "--drop-replies", "1"});
  const Outcome run =
      Provision({"--setup", WriteSetup(ShopSetup()), "--port", "COM1", "--port", "COM2", "--port",
                 "COM3", "--no-clock", "--plain", "--json", Json()});
  EXPECT_EQ(run.exit, 1) << run.out << run.err;
  EXPECT_EQ(Ask("p['COM1']['result'], p['COM2']['result']"), "('succeeded', 'succeeded')");
  EXPECT_LT(std::stod(Ask("p['COM1']['seconds']")), 19.0);
  EXPECT_EQ(Steps("COM3"),
            "skipped,skipped,done,done,failed,not run,not run,not run,not run,not run");
  EXPECT_THAT(Ask("p['COM3']['steps'][4]['detail']"), HasSubstr("Communication Error !!"));
  EXPECT_THAT(Ask("p['COM3']['reason']"), HasSubstr("step 5 Coin Format: failed"));
  // Meanwhile the plain lines told how long COM3 had been silent (from when
  // on depends on when its gauge last showed).
  EXPECT_THAT(run.out, ::testing::ContainsRegex("COM3: step 5/10 Coin Format: (100%  )?no answer "
                                                "for [0-9]+ s of 90"));
  // The COM1 and COM2 lines came long before COM3's end.
  EXPECT_LT(run.out.find("COM1: succeeded"), run.out.find("COM3: FAILED"));
}

}  // namespace
}  // namespace orvex::cli
