// Every command that writes a file, on a disk that fills up: one line on stderr, exit status 1, the old
// file as it was and nothing left beside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/test_support.h"
#include "support/widget_fixtures.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using rw::testing::namesIn;
using rw::testing::Ran;
using rw::testing::readFile;
using rw::testing::TemporaryDirectory;

// The program under a 1 KiB file size limit with SIGXFSZ ignored, so a larger write fails with EFBIG as
// on a full disk.
Ran runOnAFullDisk(const std::vector<std::string>& args) {
  std::vector<std::string> shell{"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"", RW_WIDGET_EXECUTABLE};
  shell.insert(shell.end(), args.begin(), args.end());
  return rw::testing::runProgram("/bin/sh", shell);
}

TEST(FileSafety, AFullDiskLeavesTheOldFileAndNoTemporary) {
  TemporaryDirectory container, input, out;
  fixtures::store(container.path(), {.events = {fixtures::event("E1", fixtures::at("2026-12-06T10:00:00Z"))},
                                     .persons = fixtures::persons()});
  const fs::path json = input.path() / "payload.json";
  ASSERT_EQ(
      rw::testing::run({"payload", "--container", container.path().string(), "-o", json.string()}).status, 0);

  const struct {
    std::string file;
    std::vector<std::string> args;
  } cases[] = {
      {"w.png", {"render", "-o", (out.path() / "w.png").string()}},
      {"w.svg", {"render", "-o", (out.path() / "w.svg").string()}},
      {"t.json", {"timeline", "-o", (out.path() / "t.json").string()}},
      {"r.plist", {"payload", "encode", json.string(), (out.path() / "r.plist").string(), "--format", "xml"}},
  };
  const auto withRequest = [&](std::vector<std::string> args) {
    return args[0] == "payload"
               ? args
               : rw::testing::requestAt(std::move(args), container.path().string(), "2026-12-06T09:30:00Z");
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    rw::testing::writeFile(out.path() / c.file, "old");
    const Ran ran = runOnAFullDisk(withRequest(c.args));
    EXPECT_EQ(ran.status, 1) << ran.err;
    EXPECT_NE(ran.err.find("File too large"), std::string::npos) << ran.err;
    EXPECT_EQ(ran.err.find('\n'), ran.err.size() - 1) << ran.err;
    EXPECT_EQ(readFile(out.path() / c.file), "old");
    EXPECT_EQ(namesIn(out.path()), std::set<std::string>{c.file});
    fs::remove(out.path() / c.file);
  }

  // The gallery's first picture already fails: the directory holds nothing half-written.
  const fs::path gallery = out.path() / "gallery";
  EXPECT_EQ(runOnAFullDisk(withRequest({"gallery", "-o", gallery.string()})).status, 1);
  EXPECT_TRUE(namesIn(gallery).empty());
}

}  // namespace
}  // namespace rw
