#pragma once
// A fixture for tests that play the printer by hand: no simulated printer,
// the printer already identified as the 20-symbol one, sent bytes forgotten.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "virtual_bench.h"

namespace orvex::test {

class WireTest : public ::testing::Test {
 protected:
  WireTest() : bench(NoPrinter()) {
    bench.Deliver({0x26});
    bench.Deliver({0x0A});
    bench.ForgetSent();
    mark = bench.memo.LineCount();
  }
  static VirtualBench::Options NoPrinter() {
    VirtualBench::Options options;
    options.withPrinter = false;
    return options;
  }
  // The lines written since the mark; NextMark() moves it to the end.
  std::vector<std::string> Lines() const { return bench.memo.From(mark); }
  void NextMark() { mark = bench.memo.LineCount(); }

  VirtualBench bench;
  core::Session& s = bench.session();
  int mark = 0;
};

}  // namespace orvex::test
