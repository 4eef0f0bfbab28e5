// How the reports name times and files.
#include "cli/report_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace orvex::cli {
namespace {

TEST(ReportOutput, TimesCarryTheirOffsetAndPathsAreAbsolute) {
  const char* old = std::getenv("TZ");
  const std::string saved = old != nullptr ? old : "";
  const std::pair<const char*, const char*> zones[] = {
      {"UTC0", "+00:00"}, {"IST-5:30", "+05:30"}, {"EST5", "-05:00"}};
  for (const auto& [zone, offset] : zones) {
    setenv("TZ", zone, 1);
    tzset();
    const std::string stamp = LocalTimestamp();
    EXPECT_THAT(stamp, ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:"
                                               "[0-9]{2}[-+][0-9]{2}:[0-9]{2}"));
    EXPECT_THAT(stamp, ::testing::EndsWith(offset)) << zone;
  }
  if (old != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();

  const auto here = std::filesystem::current_path();
  EXPECT_EQ(AbsolutePath("shop.orx"), (here / "shop.orx").string());
  EXPECT_EQ(AbsolutePath("a/../b/./shop.orx"), (here / "b/shop.orx").string());
  EXPECT_EQ(AbsolutePath("/etc/shop.orx"), "/etc/shop.orx");
}

}  // namespace
}  // namespace orvex::cli
