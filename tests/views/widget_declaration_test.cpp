// The widget declaration: what it tells the host, by platform version, and that its content function
// draws each entry with the root view.
#include <gtest/gtest.h>

#include "views/widget.h"

namespace rw {
namespace {

WidgetEnvironment anyEnvironment() {
  return {.settings = UserSettings{.calendar = *Calendar::make("UTC", "en_US"), .strings = Catalog()},
          .files = FileManager("/nonexistent/container")};
}

TEST(WidgetDeclaration, KindKeysFamiliesFromEachVersionAndContentInTheRootView) {
  const StaticConfiguration configuration = RemindersWidget{}.body(anyEnvironment(), {14, 0, 0});
  EXPECT_EQ(configuration.kind, "org.corvantis.reminders-widget");
  EXPECT_EQ(configuration.displayNameKey, "PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME");
  EXPECT_EQ(configuration.descriptionKey, "SHOWS A LIST OF PLANNED EVENTS / WIDGET DESCRIPTION");
  using F = WidgetFamily;
  const std::vector<F> before{F::systemSmall, F::systemLarge};
  const std::vector<F> from14{F::systemSmall, F::systemLarge, F::systemExtraLarge};
  const std::pair<PlatformVersion, const std::vector<F>&> cases[] = {
      {{12, 2, 0}, before}, {{13, 99, 99}, before}, {{14, 0, 0}, from14}, {{26, 0, 0}, from14}};
  for (const auto& [version, families] : cases)
    EXPECT_EQ(RemindersWidget{}.body(anyEnvironment(), version).supportedFamilies, families)
        << version.major << "." << version.minor;

  // A family the widget does not offer still gets an entry, and the content draws it.
  TimelineProviderContext context{.family = WidgetFamily::accessoryCircular, .displaySize = {72, 72}};
  std::optional<RemindersWidgetTimelineEntry> entry;
  configuration.provider.getSnapshot(context, [&](RemindersWidgetTimelineEntry e) { entry = std::move(e); });
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(caseName(entry->layout), "accessoryCircular");
  EXPECT_EQ(configuration.content(*entry), RemindersWidgetView{*entry});
}

}  // namespace
}  // namespace rw
