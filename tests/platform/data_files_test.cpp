#include "platform/data_files.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;

// Prefixes laid out as installed, a build tree (tests one level below), and an installed prefix with a stray
// share/ beside its executables.
TEST(DataFiles, FindsTheInstalledDataBeforeTheBuildTreesAndTheEnvironmentBeforeBoth) {
  testing::TemporaryDirectory root;
  for (const char* dir : {"prefix/bin", "prefix/libexec/reminders-widget", "prefix/share/reminders-widget",
                          "prefix/share/locale", "build/share/reminders-widget", "build/strings",
                          "build/tests", "stray/bin/share/reminders-widget", "stray/bin/strings",
                          "stray/share/reminders-widget", "stray/share/locale", "lonely/bin", "lonely/share"})
    fs::create_directories(root.path() / dir);
  // A file where a directory should be does not count.
  testing::writeFile(root.path() / "lonely/share/reminders-widget", "not a directory");
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
