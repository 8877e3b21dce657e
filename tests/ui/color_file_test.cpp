#include <gtest/gtest.h>

#include "support/test_support.h"
#include "ui/color_resources.h"

namespace rw::ui {
namespace {

using testing::TemporaryDirectory;

TEST(ColorsFile, EveryFailureNamesTheFile) {
  TemporaryDirectory directory;
  const auto missing = directory.path() / "missing.json";
  const auto broken = directory.path() / "broken.json";
  const auto empty = directory.path() / "empty.json";
  testing::writeFile(broken, R"({"WidgetBackgroundTop": "blue"})");
  testing::writeFile(empty, "{}");
  for (const auto& path : {missing, broken, empty, directory.path()}) {
    SCOPED_TRACE(path.string());
    const auto loaded = loadColorsFile(path);
    ASSERT_FALSE(loaded);
    EXPECT_NE(loaded.error().reason.find(path.string()), std::string::npos) << loaded.error().reason;
  }
  EXPECT_NE(loadColorsFile(missing).error().reason.find("No such file"), std::string::npos);
}

TEST(ColorsFile, AValidFileLoads) {
  TemporaryDirectory directory;
  testing::writeFile(directory.path() / "colors.json", R"({"WidgetBackgroundTop": "#2C3B69"})");
  const auto loaded = loadColorsFile(directory.path() / "colors.json");
  ASSERT_TRUE(loaded) << loaded.error().reason;
  EXPECT_EQ(loaded->entries().size(), 1u);
}

// The tests run from the build tree, which holds a copy of the colours the program draws with.
TEST(ColorsFile, TheBuildTreesColoursAreTheDefault) {
  const auto path = defaultColorsFile();
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, (testing::binaryDirectory() / "share/reminders-widget/colors.json").lexically_normal());
  const auto& loaded = loadDefaultColorTable();
  ASSERT_TRUE(loaded) << loaded.error().reason;
  EXPECT_TRUE(loaded->named("WidgetBackgroundTop"));
  EXPECT_EQ(&defaultColorTable(), &*loaded);
}

}  // namespace
}  // namespace rw::ui
