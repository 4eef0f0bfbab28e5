// Cases the fuzz targets (tests/fuzz) found, each kept as a plain test built
// from the input that broke an invariant.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/commands/queries.h"
#include "virtual_bench.h"

namespace orvex::core {
namespace {

using test::VirtualBench;
using ::testing::ElementsAre;

class FuzzRegressionTest : public ::testing::Test {
 protected:
  FuzzRegressionTest() : bench(MakeOptions()) {
    bench.Deliver({0x26});
    bench.Deliver({0x0A});
    mark = bench.memo.LineCount();
  }
  static VirtualBench::Options MakeOptions() {
    VirtualBench::Options options;
    options.withPrinter = false;
    return options;
  }
  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
  static bool HoldsLineBreak(const std::string& line) {
    return line.find_first_of("\r\n") != std::string::npos;
  }

  VirtualBench bench;
  Session& s = bench.session();
  int mark = 0;
};

// dispatcher_fuzz: a firmware reply "{\n" (two bytes) put a line feed into
// the version line. A message window that breaks lines there would count one
// line more than the tool, and later rewrites would hit the wrong line.
TEST_F(FuzzRegressionTest, LineBreaksInAFirmwareReplyStayInsideTheVersionLine) {
  ReadFirmwareVersion(s);
  bench.Deliver({0x7B, 0x0A});
  EXPECT_THAT(Lines(), ElementsAre("Firmware version :", "     {\\x0A", "", "Checksum :", "   0000",
                                   "   0000"));

  // The 19-byte form with CR LF inside the version text.
  const int before = bench.memo.LineCount();
  ReadFirmwareVersion(s);
  std::vector<std::uint8_t> reply = {'V', '2', '\r', '\n', '0', '7'};
  reply.resize(15, ' ');
  reply.insert(reply.end(), {0x12, 0x34, 0xAB, 0xCD});
  bench.Deliver(reply);
  const auto lines = bench.memo.From(before);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "     V2\\x0D\\x0A07         ");
  EXPECT_EQ(lines[5], "   ABCD");
}

TEST_F(FuzzRegressionTest, LineBreaksInADateTimeReplyStayInsideTheDateLine) {
  ReadPrinterClock(s);
  bench.Deliver({'1', '5', '\r', '\n', '3', '0', '1', '4', '0', '5', '0', '9'});
  EXPECT_THAT(Lines(), ElementsAre("Date & Time :", "     2015/\\x0D\\x0A/30   14:05:09", ""));
  EXPECT_TRUE(std::none_of(bench.memo.lines.begin(), bench.memo.lines.end(), HoldsLineBreak));
}

}  // namespace
}  // namespace orvex::core
