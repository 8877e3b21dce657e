// A link of megabytes in the payload: what answering a timeline with it costs in memory, measured as the
// child process's peak, not in time.
#include <gtest/gtest.h>

#include <string>

#include "payload/sample_event.h"
#include "support/run_program.h"
#include "support/test_support.h"

namespace rw {
namespace {

// The peak resident memory of build/reminders-widget run with `args`, in bytes; -1 when it failed. A small
// Python process starts it: a child forked from this test would count the test's own memory as its peak.
long peakBytesOfProgram(const std::vector<std::string>& args) {
  std::vector<std::string> command{
      "-c",
      "import resource, subprocess, sys\n"
      "ran = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)\n"
      "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss if ran.returncode == 0 else -1)\n",
      RW_WIDGET_EXECUTABLE};
  command.insert(command.end(), args.begin(), args.end());
  const testing::Ran ran = testing::runProgram("python3", command);
  return ran.status == 0 ? std::stol(ran.out) * 1024L : -1;
}

TEST(LongLinks, ATimelineCostsMemoryInProportionToTheLink) {
  // Two million "a/../" segments, ten megabytes that resolve to almost nothing; then the same text as an
  // absolute link, which is kept as written.
  std::string dots;
  for (int i = 0; i < 2'000'000; ++i)
    dots += "a/../";
  const plist::Dictionary relative{{"relative", dots + "end"},
                                   {"base", plist::Dictionary{{"relative", std::string("corvantis2://r/")}}}};
  const plist::Dictionary absolute{{"relative", "corvantis2://r/" + dots + "end"}};
  for (const auto& link : {relative, absolute}) {
    testing::TemporaryDirectory container;
    const auto file =
        plist::write(testing::samplePayload({testing::sampleWith(testing::sampleEvent(), "actionURL", link)}),
                     plist::Format::binary);
    ASSERT_TRUE(file);
    testing::writeFile(container.path() / "reminders.plist", *file);
    for (const char* output : {"/dev/null", ""}) {
      std::vector<std::string> args{"timeline", "--container",          container.path().string(),
                                    "--now",    "2026-06-10T08:00:00Z", "--time-zone",
                                    "UTC"};
      if (*output != '\0') args.insert(args.end(), {"-o", output});
      const long peak = peakBytesOfProgram(args);
      ASSERT_GT(peak, 0);
      // 31 entries show the reminder: a copy per entry would be over 300 megabytes.
      EXPECT_LT(peak, 12 * static_cast<long>(dots.size())) << (*output ? "JSON" : "summary");
    }
  }
}

}  // namespace
}  // namespace rw
