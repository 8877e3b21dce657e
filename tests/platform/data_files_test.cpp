#include "platform/data_files.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace rw {
namespace {

using testing::TemporaryDirectory;
namespace fs = std::filesystem;

// A prefix laid out as installed (bin/, libexec/reminders-widget/, share/...) and a build tree (executables
// at the top, share/reminders-widget/ and strings/ beside them, tests one level below).
class DataFiles : public ::testing::Test {
 protected:
  void make(const fs::path& relative) { fs::create_directories(root.path() / relative); }
  fs::path at(const fs::path& relative) const { return (root.path() / relative).lexically_normal(); }

  TemporaryDirectory root;
};

TEST_F(DataFiles, InstalledExecutablesFindTheirPrefixsData) {
  make("prefix/bin");
  make("prefix/libexec/reminders-widget");
  make("prefix/share/reminders-widget");
  make("prefix/share/locale");
  for (const char* executableDir : {"prefix/bin", "prefix/libexec/reminders-widget"}) {
    SCOPED_TRACE(executableDir);
    EXPECT_EQ(findDataDirectory(resourcesLocation(), at(executableDir), nullptr),
              at("prefix/share/reminders-widget"));
    EXPECT_EQ(findDataDirectory(catalogsLocation(), at(executableDir), nullptr), at("prefix/share/locale"));
  }
}

TEST_F(DataFiles, BuildTreeExecutablesAndTestsFindTheBuiltData) {
  make("build/share/reminders-widget");
  make("build/strings");
  make("build/tests");
  for (const char* executableDir : {"build", "build/tests"}) {
    SCOPED_TRACE(executableDir);
    EXPECT_EQ(findDataDirectory(resourcesLocation(), at(executableDir), nullptr),
              at("build/share/reminders-widget"));
    EXPECT_EQ(findDataDirectory(catalogsLocation(), at(executableDir), nullptr), at("build/strings"));
  }
}

TEST_F(DataFiles, TheInstalledLayoutComesBeforeTheBuildTree) {
  // An executable in <prefix>/bin with a stray share/ of its own beside it still reads the prefix's data.
  make("prefix/share/reminders-widget");
  make("prefix/bin/share/reminders-widget");
  make("prefix/bin/strings");
  make("prefix/share/locale");
  EXPECT_EQ(findDataDirectory(resourcesLocation(), at("prefix/bin"), nullptr),
            at("prefix/share/reminders-widget"));
  EXPECT_EQ(findDataDirectory(catalogsLocation(), at("prefix/bin"), nullptr), at("prefix/share/locale"));
}

TEST_F(DataFiles, TheEnvironmentVariableWinsEvenWhenItNamesNothing) {
  make("prefix/bin");
  make("prefix/share/reminders-widget");
  EXPECT_EQ(findDataDirectory(resourcesLocation(), at("prefix/bin"), "/elsewhere/colours"),
            fs::path("/elsewhere/colours"));
  // Set but empty is unset.
  EXPECT_EQ(findDataDirectory(resourcesLocation(), at("prefix/bin"), ""),
            at("prefix/share/reminders-widget"));
}

TEST_F(DataFiles, NothingWhenNoCandidateIsADirectory) {
  make("lonely/bin");
  // A file where a directory should be does not count.
  testing::writeFile(root.path() / "lonely/share/reminders-widget", "not a directory");
  EXPECT_FALSE(findDataDirectory(resourcesLocation(), at("lonely/bin"), nullptr));
  EXPECT_FALSE(findDataDirectory(catalogsLocation(), fs::path(), nullptr));
}

TEST_F(DataFiles, TheSearchIsDescribedWithAbsolutePaths) {
  const std::string text = describeSearch(resourcesLocation(), "/opt/rw/bin");
  EXPECT_EQ(text,
            "$REMINDERS_WIDGET_RESOURCES, /opt/rw/share/reminders-widget, /opt/share/reminders-widget, "
            "/opt/rw/bin/share/reminders-widget");
}

TEST(ExecutableDirectory, IsTheDirectoryOfTheRunningTest) {
  const fs::path directory = executableDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_TRUE(fs::is_directory(directory));
  EXPECT_TRUE(fs::exists(directory / "platform_tests"));
}

}  // namespace
}  // namespace rw
