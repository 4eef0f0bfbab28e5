// orvex-provision's options.
#include "cli/provision/command_line.h"

#include <gtest/gtest.h>

namespace orvex::cli::provision {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, FullRun) {
  const CommandLine c =
      ParseCommandLine({"--setup", "shop.orx", "--port", "COM1", "--port=COM2", "--port",
                        "/dev/ttyUSB0", "--erase-records", "--no-clock", "--probe", "--wait-online",
                        "5", "--json=report.json", "--plain"});
  ASSERT_EQ(c.action, CommandLine::Action::Run) << c.error;
  EXPECT_EQ(c.setupPath, "shop.orx");
  EXPECT_EQ(c.ports, (Args{"COM1", "COM2", "/dev/ttyUSB0"}));
  EXPECT_TRUE(c.settings.eraseRecords);
  EXPECT_FALSE(c.settings.setClock);
  EXPECT_TRUE(c.settings.probe);
  EXPECT_EQ(c.settings.onlineWaitMs, 5000);
  EXPECT_EQ(c.jsonPath, "report.json");
  EXPECT_TRUE(c.plain);
}

TEST(CommandLine, DefaultsKeepRecordsAndSetTheClock) {
  const CommandLine c = ParseCommandLine({"--setup", "a.orx", "--port", "COM3"});
  ASSERT_EQ(c.action, CommandLine::Action::Run);
  EXPECT_FALSE(c.settings.eraseRecords);
  EXPECT_TRUE(c.settings.setClock);
  EXPECT_FALSE(c.settings.probe);
  EXPECT_EQ(c.settings.onlineWaitMs, 15000);
  EXPECT_FALSE(c.jsonPath.has_value());
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(ParseCommandLine({"--port", "COM1", "--help"}).action, CommandLine::Action::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).action, CommandLine::Action::Version);
  EXPECT_NE(UsageText().find("Exit status"), std::string::npos);
}

TEST(CommandLine, MistakesAreNamed) {
  const std::pair<Args, std::string> cases[] = {
      {{"--port", "COM1"}, "--setup FILE.orx is missing"},
      {{"--setup", "a.orx"}, "no --port given"},
      {{"--setup", "a.orx", "--port"}, "--port wants a value"},
      {{"--setup", "a.orx", "--setup", "b.orx", "--port", "COM1"}, "--setup given twice"},
      {{"--setup", "a.orx", "--port", "COM1", "--wait-online", "0"},
       "--wait-online wants seconds from 1 to 3600, not '0'"},
      {{"--setup", "a.orx", "--port", "COM1", "--wait-online", "9x"},
       "--wait-online wants seconds from 1 to 3600, not '9x'"},
      {{"--setup", "a.orx", "--port", "COM1", "--probe=yes"}, "--probe takes no value"},
      {{"--setup", "a.orx", "--port", "COM1", "COM2"}, "unknown option 'COM2'"},
      {{"--setup", "a.orx", "--port", ""}, "--port wants a port name"},
  };
  for (const auto& [args, error] : cases) {
    const CommandLine c = ParseCommandLine(args);
    EXPECT_EQ(c.action, CommandLine::Action::Error) << error;
    EXPECT_EQ(c.error, error);
  }
}

}  // namespace
}  // namespace orvex::cli::provision
