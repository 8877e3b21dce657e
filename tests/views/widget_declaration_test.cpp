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

TEST(WidgetDeclaration, KindNameAndDescriptionKeys) {
  const StaticConfiguration configuration = RemindersWidget{}.body(anyEnvironment(), {14, 0, 0});
  EXPECT_EQ(configuration.kind, "org.corvantis.reminders-widget");
  EXPECT_EQ(configuration.kind.size(), 30u);
  EXPECT_EQ(configuration.displayNameKey, "PLANNED EVENTS / WIDGET CONFIGURATION DISPLAY NAME");
  EXPECT_EQ(configuration.descriptionKey, "SHOWS A LIST OF PLANNED EVENTS / WIDGET DESCRIPTION");
}

TEST(WidgetDeclaration, ExtraLargeIsOfferedFromFourteenAfterSmallAndLarge) {
  using F = WidgetFamily;
  const struct {
    PlatformVersion version;
    std::vector<WidgetFamily> families;
  } cases[] = {
      {{12, 2, 0}, {F::systemSmall, F::systemLarge}},
      {{13, 99, 99}, {F::systemSmall, F::systemLarge}},
      {{14, 0, 0}, {F::systemSmall, F::systemLarge, F::systemExtraLarge}},
      {{14, 0, 1}, {F::systemSmall, F::systemLarge, F::systemExtraLarge}},
      {{26, 0, 0}, {F::systemSmall, F::systemLarge, F::systemExtraLarge}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RemindersWidget{}.body(anyEnvironment(), c.version).supportedFamilies, c.families)
        << c.version.major << "." << c.version.minor;
}

TEST(WidgetDeclaration, ContentWrapsACopyOfTheEntryInTheRootView) {
  const StaticConfiguration configuration = RemindersWidget{}.body(anyEnvironment(), {14, 0, 0});
  // A family the widget does not offer still gets an entry, and the content draws it.
  TimelineProviderContext context{.family = WidgetFamily::accessoryCircular, .displaySize = {72, 72}};
  std::optional<RemindersWidgetTimelineEntry> entry;
  configuration.provider.getSnapshot(context, [&](RemindersWidgetTimelineEntry e) { entry = std::move(e); });
  ASSERT_TRUE(entry.has_value());
  const RemindersWidgetView view = configuration.content(*entry);
  EXPECT_EQ(caseName(view.timelineEntry.layout), "accessoryCircular");
  EXPECT_EQ(view.timelineEntry.overdueCount, entry->overdueCount);
  EXPECT_EQ(view, RemindersWidgetView{*entry});
}

}  // namespace
}  // namespace rw
