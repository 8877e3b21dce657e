// payload and payload encode as a user runs them: the JSON form's round trip, and what the output path
// names after the write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using fixtures::at;
using fixtures::event;
using rw::testing::quoted;
using rw::testing::readFile;
using rw::testing::run;
using rw::testing::TemporaryDirectory;

RemindersWidgetPayload somePayload() {
  const Date now = at("2026-12-06T15:00:00Z");
  auto payload = RemindersWidgetPayload{
      .events = {event("E-past", now.adding(-3 * 86'400), "C1", CustodyEventType::expense),
                 event("E-later", now.adding(40 * 86'400), "C2")},
      .persons = fixtures::persons()};
  payload.events[0].dueAmountText = "125";
  payload.events[1].notes = "Bring the forms – Zoë";
  return payload;
}

TEST(PayloadCommands, TheJsonFormComesBackThroughEncodeInEitherForm) {
  TemporaryDirectory stored, work;
  fixtures::store(stored.path(), somePayload());
  const fs::path json = work.path() / "payload.json";
  ASSERT_EQ(run({"payload", "--container", stored.path().string(), "-o", json.string()}).status, 0);
  const std::string written = readFile(json);
  ASSERT_NE(written.find("Bring the forms – Zoë"), std::string::npos) << written;

  for (const char* format : {"binary", "xml"}) {
    TemporaryDirectory encoded;
    const fs::path plist = encoded.path() / "reminders.plist";
    ASSERT_EQ(run({"payload", "encode", json.string(), plist.string(), "--format", format}).status, 0);
    const fs::path again = work.path() / (std::string(format) + ".json");
    ASSERT_EQ(run({"payload", "--container", encoded.path().string(), "-o", again.string()}).status, 0);
    EXPECT_EQ(readFile(again), written) << format;
  }
}

TEST(PayloadCommands, OutputsThroughALinkOrIntoAPipeKeepWhatThePathNames) {
  TemporaryDirectory stored, work;
  fixtures::store(stored.path(), somePayload());
  // Through a link: the file it names is replaced, the link stays, and nothing is left beside the file.
  const fs::path target = work.path() / "target.json";
  rw::testing::writeFile(target, "old");
  const fs::path link = work.path() / "link.json";
  fs::create_symlink(target, link);
  ASSERT_EQ(run({"payload", "--container", stored.path().string(), "-o", link.string()}).status, 0);
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_NE(readFile(target).find("\"events\""), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), fs::directory_iterator()), 2);

  // A pipe stands for /dev/null and the like: it is written into, never renamed over. The reader gives up
  // after a while, so a program that never opens the pipe fails the test, not hangs it.
  const fs::path pipe = work.path() / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const fs::path received = work.path() / "received";
  const std::string command = "timeout 30 cat " + quoted(pipe.string()) + " > " + quoted(received.string()) +
                              " & " + quoted(RW_WIDGET_EXECUTABLE) + " payload --container " +
                              quoted(stored.path().string()) + " -o " + quoted(pipe.string()) +
                              "; status=$?; wait; exit $status";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
  EXPECT_NE(readFile(received).find("\"events\""), std::string::npos);
}

}  // namespace
}  // namespace rw
