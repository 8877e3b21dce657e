// Replacing an output file: whole or not at all, nothing written through a planted link, nothing left
// behind when a write fails (on a full disk: the commands' tests, tests/app). Finding the data directories.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include "platform/data_files.h"
#include "platform/file_output.h"
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
  ::chmod(out.c_str(), 0640);
  // The names temporaries used to have, planted as links to the victim.
  writeFile(victim, "precious");
  const std::string pid = std::to_string(::getpid()),
                    planted[] = {".out.png." + pid + ".png", "out.png.tmp-" + pid};
  for (const std::string& name : planted)
    fs::create_symlink(victim, dir.path() / name);
  ASSERT_TRUE(replaceFile(out, "second, longer"));
  struct stat status {};
  ASSERT_EQ(::lstat(out.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & (S_IFMT | 07777), S_IFREG | 0640u);
  // A link the user names as the output: the file it points to is replaced, the link stays. A dangling
  // link is replaced by the file, never followed to create its target.
  const auto link = dir.path() / "link.png", target = dir.path() / "target.png",
             dangling = dir.path() / "dangling.png";
  writeFile(target, "old");
  fs::create_symlink(target, link);
  fs::create_symlink(dir.path() / "nowhere", dangling);
  ASSERT_TRUE(replaceFile(link, "new"));
  ASSERT_TRUE(replaceFile(dangling, "bytes"));
  EXPECT_EQ(std::tuple(readFile(out), readFile(victim), readFile(target), readFile(dangling)),
            std::tuple("second, longer", "precious", "new", "bytes"));
  EXPECT_EQ(std::pair(fs::is_symlink(link), fs::is_symlink(dangling)), std::pair(true, false));
  EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{planted[0], planted[1], "dangling.png", "link.png",
                                                        "out.png", "target.png", "victim"}));
}

// Devices are written in place; a directory or a missing folder is refused, and nothing is left of a
// replacement not committed.
TEST(FileReplacement, RefusesWhatItCannotReplaceAndLeavesNothingUncommitted) {
  EXPECT_TRUE(replaceFile("/dev/null", "anything"));
  EXPECT_TRUE(!fs::exists("/dev/full") || !replaceFile("/dev/full", "x"));  // a full device fails
  TemporaryDirectory dir;
  const auto intoDirectory = replaceFile(dir.path(), "x");
  ASSERT_FALSE(intoDirectory);
  EXPECT_NE(intoDirectory.error().reason.find("cannot write"), std::string::npos);
  EXPECT_FALSE(replaceFile(dir.path() / "missing" / "out.png", "x"));
  EXPECT_TRUE(namesIn(dir.path()).empty());
  const auto path = dir.path() / "answer.json";
  {
    auto file = FileReplacement::begin(path);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->write("half"));
    EXPECT_EQ(std::pair(fs::exists(file->temporaryPath()), fs::exists(path)), std::pair(true, false));
    EXPECT_EQ(file->temporaryPath().parent_path(), dir.path());
  }
  EXPECT_TRUE(namesIn(dir.path()).empty());
  auto file = FileReplacement::begin(path);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->write("one ") && file->write("two"));
  ASSERT_TRUE(file->commit());
  EXPECT_EQ(readFile(path), "one two");
  EXPECT_FALSE(file->commit());  // once only
}

// Prefixes laid out as installed, a build tree (tests one level below), and an installed prefix with a stray
// share/ beside its executables.
TEST(DataFiles, FindsTheInstalledDataBeforeTheBuildTreesAndTheEnvironmentBeforeBoth) {
  TemporaryDirectory root;
  for (const char* dir : {"prefix/bin", "prefix/libexec/reminders-widget", "prefix/share/reminders-widget",
                          "prefix/share/locale", "build/share/reminders-widget", "build/strings",
                          "build/tests", "stray/bin/share/reminders-widget", "stray/bin/strings",
                          "stray/share/reminders-widget", "stray/share/locale", "lonely/bin", "lonely/share"})
    fs::create_directories(root.path() / dir);
  // A file where a directory should be does not count.
  writeFile(root.path() / "lonely/share/reminders-widget", "not a directory");
  const auto at = [&](const char* relative) { return (root.path() / relative).lexically_normal(); };
  const struct {
    const char* executableDir;
    const char* resources;  // null: none found
    const char* catalogs;
  } cases[] = {
      {"prefix/bin", "prefix/share/reminders-widget", "prefix/share/locale"},
      {"prefix/libexec/reminders-widget", "prefix/share/reminders-widget", "prefix/share/locale"},
      {"build", "build/share/reminders-widget", "build/strings"},
      {"build/tests", "build/share/reminders-widget", "build/strings"},
      {"stray/bin", "stray/share/reminders-widget", "stray/share/locale"},
      {"lonely/bin", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.executableDir);
    const auto found = [&](const DataLocation& location, const char* variable) {
      const auto dir = findDataDirectory(location, at(c.executableDir), variable);
      return dir ? dir->string() : "(none)";
    };
    EXPECT_EQ(found(resourcesLocation(), nullptr), c.resources ? at(c.resources).string() : "(none)");
    EXPECT_EQ(found(catalogsLocation(), nullptr), c.catalogs ? at(c.catalogs).string() : "(none)");
    // The variable wins even when it names nothing; set but empty is unset.
    EXPECT_EQ(found(resourcesLocation(), "/elsewhere/colours"), "/elsewhere/colours");
    EXPECT_EQ(found(resourcesLocation(), ""), found(resourcesLocation(), nullptr));
  }
  EXPECT_FALSE(findDataDirectory(catalogsLocation(), fs::path(), nullptr));
  EXPECT_EQ(describeSearch(resourcesLocation(), "/opt/rw/bin"),
            "$REMINDERS_WIDGET_RESOURCES, /opt/rw/share/reminders-widget, /opt/share/reminders-widget, "
            "/opt/rw/bin/share/reminders-widget");
  EXPECT_TRUE(fs::exists(executableDirectory() / "platform_tests"));
}

}  // namespace
}  // namespace rw
