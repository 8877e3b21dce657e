// File events coalesced into reloads, played on a made-up monotonic clock; what a host watches, on a
// made-up tree, and what the events it sees mean.
#include "widget/file_events.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace rw {
namespace {

TEST(FileEventCoalescer, AThousandTouchesInARowMakeOneRead) {
  FileEventCoalescer coalescer;  // quiet 0.1 s, at most 2 s after the first event
  EXPECT_FALSE(coalescer.dueAt());
  EXPECT_FALSE(coalescer.takeIfDue(0));
  int reads = 0;
  // One touch a millisecond for a second, the host looking after each one.
  for (int i = 0; i < 1000; ++i) {
    const double now = 10 + i * 0.001;
    coalescer.touched(now);
    reads += coalescer.takeIfDue(now);
  }
  EXPECT_EQ(reads, 0);
  ASSERT_TRUE(coalescer.dueAt());
  EXPECT_DOUBLE_EQ(*coalescer.dueAt(), 10 + 0.999 + 0.1);
  EXPECT_FALSE(coalescer.takeIfDue(11.05));
  EXPECT_TRUE(coalescer.takeIfDue(11.1));
  EXPECT_FALSE(coalescer.takeIfDue(11.2));  // once per burst
  EXPECT_FALSE(coalescer.dueAt());
}

TEST(FileEventCoalescer, AWriterThatNeverPausesIsStillReadEveryFewSeconds) {
  FileEventCoalescer coalescer(0.1, 2.0);
  std::vector<double> reads;
  // A touch every 62.5 ms for ten seconds: never quiet for 100 ms.
  for (int i = 0; i <= 160; ++i) {
    const double now = i * 0.0625;
    coalescer.touched(now);
    if (coalescer.takeIfDue(now)) reads.push_back(now);
  }
  // Each 2 s after the first touch of its burst.
  EXPECT_EQ(reads, (std::vector<double>{2.0, 4.0625, 6.125, 8.1875}));
}

TEST(FileEventCoalescer, SeparateBurstsAreReadSeparately) {
  FileEventCoalescer coalescer(0.1, 2.0);
  coalescer.touched(1.0);
  coalescer.touched(1.02);
  EXPECT_FALSE(coalescer.takeIfDue(1.11));
  EXPECT_TRUE(coalescer.takeIfDue(1.13));
  coalescer.touched(5.0);
  EXPECT_DOUBLE_EQ(*coalescer.dueAt(), 5.1);
  EXPECT_TRUE(coalescer.takeIfDue(7.0));  // a late look still reads it once
  EXPECT_FALSE(coalescer.takeIfDue(7.0));
}

TEST(ContainerWatchPlan, WatchesTheNearestExistingLevelOnTheWayToTheContainer) {
  const std::string c = "/home/u/.local/share/group";
  const struct {
    std::string container;
    std::set<std::string> directories;  // those that exist
    ContainerWatchPlan plan;
  } cases[] = {
      {c,
       {"/", "/home", "/home/u", "/home/u/.local", "/home/u/.local/share", c},
       {true, "/home/u/.local/share", "group"}},
      {c + "/",
       {"/", "/home", "/home/u", "/home/u/.local", "/home/u/.local/share", c},
       {true, "/home/u/.local/share", "group"}},
      {c,
       {"/", "/home", "/home/u", "/home/u/.local", "/home/u/.local/share"},
       {false, "/home/u/.local/share", "group"}},
      {c, {"/", "/home", "/home/u"}, {false, "/home/u", ".local"}},
      {"/home/u/../v/group", {"/", "/home"}, {false, "/home", "v"}},
      {"/group", {"/", "/group"}, {true, "/", "group"}},
      {"/", {"/"}, {true, "", ""}},
      {c, {}, {}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.container + " with " + std::to_string(row.directories.size()) + " directories");
    EXPECT_EQ(planContainerWatch(
                  row.container,
                  [&](const std::filesystem::path& p) { return row.directories.count(p.string()) > 0; }),
              row.plan);
  }
}

TEST(FileEventEffect, OnlyThePayloadTheWayToTheContainerAndTheZoneConcernTheWidget) {
  const FileEventEffect none, payload{.payload = true}, zone{.zone = true}, replan{.replan = true},
      gone{.payload = true, .replan = true};
  const struct {
    WatchRole role;
    WatchedChange change;
    FileEventEffect effect;
  } cases[] = {
      {WatchRole::container, {"reminders.plist"}, payload},
      {WatchRole::container, {"reminders.plist.tmp"}, none},
      {WatchRole::container, {"group"}, none},
      {WatchRole::container, {"", true}, gone},
      {WatchRole::ancestor, {"group"}, replan},
      {WatchRole::ancestor, {"reminders.plist"}, none},
      {WatchRole::ancestor, {"other"}, none},
      {WatchRole::ancestor, {"", true}, replan},
      {WatchRole::zone, {"localtime"}, zone},
      {WatchRole::zone, {"timezone"}, zone},
      {WatchRole::zone, {"passwd"}, none},
      {WatchRole::zone, {"group"}, none},
      {WatchRole::zone, {"", true}, none},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(std::to_string(static_cast<int>(row.role)) + " " + std::string(row.change.name));
    EXPECT_EQ(effectOf(row.role, row.change, "group"), row.effect);
  }
}

}  // namespace
}  // namespace rw
