// Replacing an output file: whole or not at all, nothing written through a planted link, nothing left
// behind when a write fails (on a full disk: the commands' tests, tests/app).
#include "platform/file_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/test_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using rw::testing::namesIn;
using rw::testing::readFile;
using rw::testing::TemporaryDirectory;
using rw::testing::writeFile;

TEST(FileReplacement, WritesFilesWholeKeepingTheirModeAndFollowsTheNamedLinkButNoPlantedOne) {
  TemporaryDirectory dir;
  const auto out = dir.path() / "out.png", victim = dir.path() / "victim";
  ASSERT_TRUE(replaceFile(out, "first"));
  EXPECT_EQ(readFile(out), "first");
  ::chmod(out.c_str(), 0640);
  // The names temporaries used to have, planted as links to the victim.
  writeFile(victim, "precious");
  for (const std::string& name :
       {".out.png." + std::to_string(::getpid()) + ".png", "out.png.tmp-" + std::to_string(::getpid())})
    fs::create_symlink(victim, dir.path() / name);
  ASSERT_TRUE(replaceFile(out, "second, longer"));
  EXPECT_EQ(readFile(out), "second, longer");
  EXPECT_EQ(readFile(victim), "precious");
  struct stat status {};
  ASSERT_EQ(::lstat(out.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & (S_IFMT | 07777), S_IFREG | 0640u);
  // A link the user names as the output: the file it points to is replaced, the link stays.
  const auto link = dir.path() / "link.png", target = dir.path() / "target.png";
  writeFile(target, "old");
  fs::create_symlink(target, link);
  ASSERT_TRUE(replaceFile(link, "new"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(target), "new");
  // A dangling link is replaced by the file, never followed to create its target.
  const auto dangling = dir.path() / "dangling.png";
  fs::create_symlink(dir.path() / "nowhere", dangling);
  ASSERT_TRUE(replaceFile(dangling, "bytes"));
  EXPECT_FALSE(fs::is_symlink(dangling));
  EXPECT_EQ(namesIn(dir.path()),
            (std::set<std::string>{".out.png." + std::to_string(::getpid()) + ".png", "dangling.png",
                                   "link.png", "out.png", "out.png.tmp-" + std::to_string(::getpid()),
                                   "target.png", "victim"}));
}

TEST(FileReplacement, DevicesInPlaceDirectoriesAndMissingFoldersRefused) {
  EXPECT_TRUE(replaceFile("/dev/null", "anything"));
  TemporaryDirectory dir;
  const auto intoDirectory = replaceFile(dir.path(), "x");
  ASSERT_FALSE(intoDirectory);
  EXPECT_NE(intoDirectory.error().reason.find("cannot write"), std::string::npos);
  EXPECT_FALSE(replaceFile(dir.path() / "missing" / "out.png", "x"));
  EXPECT_TRUE(namesIn(dir.path()).empty());
  EXPECT_TRUE(!fs::exists("/dev/full") || !replaceFile("/dev/full", "x"));  // a full device fails
}

TEST(FileReplacement, AnUncommittedReplacementLeavesNothing) {
  TemporaryDirectory dir;
  const auto path = dir.path() / "answer.json";
  {
    auto file = FileReplacement::begin(path);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->write("half"));
    EXPECT_TRUE(fs::exists(file->temporaryPath()));
    EXPECT_EQ(file->temporaryPath().parent_path(), dir.path());
    EXPECT_FALSE(fs::exists(path));  // nothing visible before the commit
  }
  EXPECT_TRUE(namesIn(dir.path()).empty());
  auto file = FileReplacement::begin(path);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->write("one "));
  EXPECT_TRUE(file->write("two"));
  ASSERT_TRUE(file->commit());
  EXPECT_EQ(readFile(path), "one two");
  EXPECT_FALSE(file->commit());  // once only
}

}  // namespace
}  // namespace rw
