// What the desktop host decides without a window: family names, window positions, what a click opens,
// the widget's settings and login files, and what a screen reader reads.
#include "desktop_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_settings.h"
#include "support/test_support.h"
#include "ui/hit_testing.h"
#include "views/reminder_view.h"
#include "views/widget.h"
#include "widget_host.h"

namespace rw::app::desktop {
namespace {

using R = AccessibleTarget::Role;

TEST(DesktopFamily, DesktopNamesAndTheCommandLinesNames) {
  using F = WidgetFamily;
  std::vector<std::optional<F>> found;
  for (const char* name : {"small", "medium", "large", "extra large", "extra-large", "systemExtraLarge",
                           "accessoryCircular", "Large", "extra  large", "huge", ""})
    found.push_back(desktopFamilyNamed(name));
  EXPECT_EQ(found, (std::vector<std::optional<F>>{F::systemSmall, F::systemMedium, F::systemLarge,
                                                  F::systemExtraLarge, F::systemExtraLarge,
                                                  F::systemExtraLarge, F::accessoryCircular, std::nullopt,
                                                  std::nullopt, std::nullopt, std::nullopt}));
}

TEST(WindowPosition, TwoIntegersWithinTheScreensCoordinates) {
  const std::pair<const char*, WindowPosition> cases[] = {
      {"0,0", {0, 0}}, {"-20,+15", {-20, 15}}, {"32767,-32767", {32767, -32767}}};
  for (const auto& [text, position] : cases)
    EXPECT_EQ(parseWindowPosition(text), position) << text;
  for (const char* bad : {"32768,0", "0,-32768", "99999999999,0", "1.5,2", "1,2,3", " 1,2", "1, 2", "1,",
                          ",2", "+,2", "12", ""})
    EXPECT_EQ(parseWindowPosition(bad), std::nullopt) << '"' << bad << '"';
}

// A widget of 200x100 points with three rows: a web link, a "file:" link and a "javascript:" link.
ui::LayoutNode widgetWithRows(std::string widgetURL) {
  const auto link = [](ui::Rect frame, std::string url, bool widgetWide = false) {
    return ui::LayoutNode{.kind = widgetWide ? "WidgetURL" : "Link",
                          .frame = frame,
                          .paint = ui::LinkPaint{.url = std::move(url), .widgetWide = widgetWide}};
  };
  ui::LayoutNode widget = link({{0, 0}, {200, 100}}, std::move(widgetURL), true);
  widget.children = {link({{0, 0}, {200, 30}}, "https://example.org/e/1"),
                     link({{0, 30}, {200, 30}}, "file:///etc/passwd"),
                     link({{0, 60}, {200, 30}}, "JavaScript:alert(1)")};
  return widget;
}

TEST(ClickTarget, TheRowsOwnLinkElseTheWidgetsOrTheAppsAndNeverAnUnsafeScheme) {
  const ui::LayoutNode widget = widgetWithRows("corvantis2://reminders");
  const ui::LayoutNode hostile = widgetWithRows("data:text/html,<script>x</script>");
  const ui::LayoutNode bare{.kind = "VStack", .frame = {{0, 0}, {50, 50}}};  // no link: the app's
  // Below the rows the widget's link; "file:" and "javascript:" links are shown, never opened; the window
  // rounds the widget's size up by up to a pixel, and past the widget nothing opens.
  const std::tuple<const ui::LayoutNode&, ui::Point, std::optional<std::string>> cases[] = {
      {widget, {100, 15}, "https://example.org/e/1"},
      {widget, {0, 0}, "https://example.org/e/1"},
      {widget, {100, 95}, "corvantis2://reminders"},
      {widget, {100, 45}, std::nullopt},
      {widget, {100, 75}, std::nullopt},
      {widget, {200, 50}, std::nullopt},
      {widget, {50, 100}, std::nullopt},
      {widget, {-0.5, 50}, std::nullopt},
      {bare, {25, 25}, "corvantis2://reminders"},
      {hostile, {100, 95}, std::nullopt},
      {hostile, {100, 15}, "https://example.org/e/1"}};
  for (const auto& [tree, at, url] : cases)
    EXPECT_EQ(urlForClick(tree, {tree.frame.size.width, tree.frame.size.height}, at), url)
        << tree.kind << " at " << at.x << "," << at.y;
}

TEST(DesktopSettings, InstanceNamesBusNamesAndFiles) {
  for (const char* name : {"default", "w", "Widget_2", "kitchen-wall", "2nd"})
    EXPECT_TRUE(isInstanceName(name)) << name;
  for (const std::string& name :
       std::vector<std::string>{"", "a b", "../x", "x.y", "é", std::string(65, 'a')})
    EXPECT_FALSE(isInstanceName(name)) << name;
  EXPECT_EQ(applicationIdFor("org.example.W", "default"), "org.example.W");
  EXPECT_EQ(applicationIdFor("org.example.W", "2nd"), "org.example.W.i_2nd");
  EXPECT_EQ(applicationIdFor("org.example.W", "kitchen-wall"), "org.example.W.i_kitchen_wall");
  EXPECT_EQ(freshInstanceName({}), "widget-2");
  EXPECT_EQ(freshInstanceName({"default", "widget-2", "widget-4"}), "widget-3");
  const DesktopFiles files = desktopFiles("/home/u/.config", "org.example.W", "w2");
  EXPECT_EQ(files.settings, "/home/u/.config/reminders-widget/w2.ini");
  EXPECT_EQ(files.autostart, "/home/u/.config/autostart/org.example.W-w2.desktop");
  // The login entry quotes the executable as desktop entries must.
  EXPECT_THAT(
      autostartEntry("/opt/my \"apps\"/50%/rw$x", "kitchen"),
      ::testing::AllOf(
          ::testing::StartsWith("[Desktop Entry]\nType=Application\n"),
          ::testing::HasSubstr("\nExec=\"/opt/my \\\\\"apps\\\\\"/50%%/rw\\\\$x\" --instance kitchen\n")));
}

TEST(DesktopSettings, KeyFileTextReadsBackAndUnusableValuesKeepTheDefaults) {
  // Every field off its default: family, size, mode, position, then the five choices.
  const DesktopSettings changed{"extra large", "300x200", "vibrant", WindowPosition{-20, 700}, false, true,
                                false,         false,     true};
  for (const DesktopSettings& settings : {DesktopSettings{}, changed})
    EXPECT_EQ(parseSettings(settingsText(settings)), settings) << settingsText(settings);
  EXPECT_EQ(parseSettings(""), DesktopSettings{});
  EXPECT_EQ(parseSettings("[Widget]\nFamily=small\nPosition=1,2,3\nBelow=perhaps\nStartAtLogin=true\n"),
            (DesktopSettings{.family = "small", .startAtLogin = true}));
  EXPECT_EQ(parseSettings("# by hand\n[Other]\nBelow=false\n[Widget]\nPosition=5,6\nWithDesktop=false\n"),
            (DesktopSettings{.position = WindowPosition{5, 6}, .withDesktop = false}));
  EXPECT_EQ(parseSettings("no key file\n"), std::nullopt);
}

// The sample entry and the empty one, laid out as the window does: what a screen reader reads, in order.
TEST(AccessibleTargets, TheWidgetsLinkThenCountsAndEveryReminderOrTheEmptyState) {
  rw::testing::TemporaryDirectory missing;
  for (const auto& [familyName, request] : {std::pair{"systemSmall", "placeholder"},
                                            {"systemMedium", "placeholder"},
                                            {"systemLarge", "timeline"}}) {
    SCOPED_TRACE(std::string(familyName) + " " + request);
    WidgetOptions options;
    options.host = {.container = (missing.path() / "none").string(),
                    .family = familyName,
                    .now = "2026-12-06T09:30:00Z",
                    .timeZone = "UTC",
                    .locale = "en_US"};
    const WidgetRun run = prepareRun(options);
    const WidgetFamily family = run.request.context.family;
    const Size size = run.request.context.displaySize;
    const auto entry = ask(run.configuration, request, run.request.context).entries.at(0);
    const auto targets = accessibleTargets(
        layoutWidget(run.configuration, entry, family, size, run.environment()), size, "Planned events");
    const AccessibleTarget widgetLink{
        R::link, {{0, 0}, size}, "Planned events", std::string(kWidgetLinkURL), 22};
    ASSERT_EQ(targets.at(0), widgetLink);
    std::vector<std::string> labels, rows;
    for (const AccessibleTarget& t : std::vector(targets.begin() + 1, targets.end()))
      (t.role == R::link ? rows : labels).push_back(t.label);
    const bool list = family != WidgetFamily::systemSmall;
    const auto text = [&](const char* key) { return run.request.environment.settings.strings.text(key); };
    for (const auto& [label, count] :
         {std::pair{text("OVERDUE") + ", " + std::to_string(entry.overdueCount), 1},
          {text("TODAY") + ", " + std::to_string(entry.todayCount), 1},
          {text("NO PLANNED EVENTS"), list && entry.reminders.empty() ? 1 : 0}})
      EXPECT_EQ(std::count(labels.begin(), labels.end(), label), count) << ::testing::PrintToString(labels);
    EXPECT_EQ(rows.size(), list ? entry.reminders.size() : 0u);
    EXPECT_EQ(entry.reminders.empty(), !list || request == std::string("timeline"));
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const auto& reminder = entry.reminders[i];
      EXPECT_EQ(rows[i].find(reminder.title + ", "), 0u) << rows[i];
      EXPECT_NE(rows[i].find(", " + reminder.dueText), std::string::npos) << rows[i];
      for (const auto& person : reminder.personsLabels)
        EXPECT_NE(rows[i].find(", " + person.nick + ","), std::string::npos) << rows[i];
    }
  }
}

TEST(AccessibleTargets, FocusGoesRoundTheLinksInReadingOrder) {
  const std::vector<AccessibleTarget> targets{{R::link}, {R::label}, {R::label}, {R::link}, {R::link}};
  // Triples of from (-1: no focus), step and to: round the links 0, 3 and 4; from a label to the link
  // before or after it.
  const int cases[] = {-1, 1, 0, -1, -1, 4,  0, 1, 3, 3, 1, 4, 4, 1, 0,  0, -1,
                       4,  1, 1, 3,  2,  -1, 0, 0, 2, 4, 3, 0, 3, 7, -1, 4};
  for (std::size_t i = 0; i < std::size(cases); i += 3)
    EXPECT_EQ(
        nextFocus(targets, cases[i] < 0 ? std::nullopt : std::optional<std::size_t>(cases[i]), cases[i + 1]),
        cases[i + 2])
        << cases[i] << " by " << cases[i + 1];
  EXPECT_EQ(nextFocus({{R::label}}, std::nullopt, 1), std::nullopt);
}

}  // namespace
}  // namespace rw::app::desktop
