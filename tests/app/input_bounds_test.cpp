// The instants a request accepts: every entry of an answer has a date.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

using fixtures::at;
using fixtures::event;
using Json = nlohmann::ordered_json;
using rw::testing::Ran;
using rw::testing::run;
using rw::testing::TemporaryDirectory;

Ran timeline(const TemporaryDirectory& container, const std::string& now, const std::string& zone) {
  return run(
      {"timeline", "--container", container.path().string(), "--now", now, "--time-zone", zone, "-o", "-"});
}

TEST(InputBounds, NowIsRefusedWhereTheTimelineWouldLeaveYearsOneTo9999) {
  TemporaryDirectory container;
  fixtures::store(container.path(),
                  {.events = {event("E1", at("2026-12-06T10:00:00Z"))}, .persons = fixtures::persons()});

  // Tokyo kept local mean time (+9:18:59) then: the day of 03:00 UTC on 1 January of year 1 starts in year 0.
  // Its last day, 30 days after 31 December 9999, lies in year 10000.
  using Cases = std::vector<std::pair<std::string, std::string>>;
  for (const auto& [now, zone] : Cases{{"0001-01-01T03:00:00Z", "Asia/Tokyo"},
                                       {"9999-12-31T12:00:00Z", "UTC"},
                                       {"9999-12-02T00:00:00Z", "UTC"}}) {
    const Ran refused = timeline(container, now, zone);
    EXPECT_EQ(refused.status, 2) << now << " " << zone;
    EXPECT_EQ(refused.out, "") << now;
    EXPECT_NE(refused.err.find("invalid --now '" + now + "'"), std::string::npos) << refused.err;
  }

  // Instants whose timeline fits answer 31 dated entries: in Tokyo, year 1 begins with its second day.
  for (const auto& [now, zone] : Cases{{"0001-01-01T00:00:00Z", "UTC"},
                                       {"0001-01-01T20:00:00Z", "Asia/Tokyo"},
                                       {"9999-12-01T23:59:59Z", "UTC"}}) {
    const Ran answered = timeline(container, now, zone);
    ASSERT_EQ(answered.status, 0) << now << " " << answered.err;
    const Json entries = Json::parse(answered.out)["entries"];
    ASSERT_EQ(entries.size(), 31u) << now;
    for (const auto& entry : entries)
      EXPECT_TRUE(entry["date"].is_string()) << now << " " << entry["date"];
  }
}

}  // namespace
}  // namespace rw
