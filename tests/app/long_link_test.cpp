// A link of megabytes in the payload: what answering a timeline with it costs in memory, measured as the
// child process's peak, not in time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "payload/sample_event.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace rw {
namespace {

// The peak resident memory of build/reminders-widget run with `args`, its output discarded; -1 when it
// failed. What the test held at the fork counts too, far less than the bound checked.
std::int64_t peakBytesOfProgram(std::vector<std::string> args) {
  args.insert(args.begin(), RW_WIDGET_EXECUTABLE);
  const testing::ChildRun ran = testing::inChild([&] {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    std::vector<char*> argv;
    for (auto& arg : args)
      argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    return false;
  });
  return ran.passed ? ran.peakBytes : -1;
}

TEST(LongLinks, ATimelineCostsMemoryInProportionToTheLink) {
  if (!rw::testing::kPeakMemoryIsTheCodes) GTEST_SKIP() << "peak memory includes the sanitizer's own";
  // Two million "a/../" segments, ten megabytes that resolve to almost nothing; then the same text as an
  // absolute link, which is kept as written. The texts are gone from the test before the program runs.
  constexpr std::int64_t kLinkBytes = 10'000'000;
  testing::TemporaryDirectory relative, absolute;
  {
    std::string dots;
    for (int i = 0; i < 2'000'000; ++i)
      dots += "a/../";
    for (const auto& [container, link] :
         {std::pair{
              &relative,
              plist::Dictionary{{"relative", dots + "end"},
                                {"base", plist::Dictionary{{"relative", std::string("corvantis2://r/")}}}}},
          std::pair{&absolute, plist::Dictionary{{"relative", "corvantis2://r/" + dots + "end"}}}}) {
      const auto file = plist::write(
          testing::samplePayload({testing::sampleWith(testing::sampleEvent(), "actionURL", link)}),
          plist::Format::binary);
      ASSERT_TRUE(file);
      testing::writeFile(container->path() / "reminders.plist", *file);
    }
  }
  for (const auto* container : {&relative, &absolute}) {
    for (const char* output : {"/dev/null", ""}) {
      std::vector<std::string> args{"timeline", "--container",          container->path().string(),
                                    "--now",    "2026-06-10T08:00:00Z", "--time-zone",
                                    "UTC"};
      if (*output != '\0') args.insert(args.end(), {"-o", output});
      const std::int64_t peak = peakBytesOfProgram(args);
      ASSERT_GT(peak, 0);
      // 31 entries show the reminder: a copy per entry would be over 300 megabytes.
      EXPECT_LT(peak, 12 * kLinkBytes) << (*output ? "JSON" : "summary");
    }
  }
}

}  // namespace
}  // namespace rw
