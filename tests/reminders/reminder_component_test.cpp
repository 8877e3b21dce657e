// A reminder row's data: its person labels, due style and text, built once per event or for every day; and
// the words for a due date, days and months before and after, in the catalog's language.
#include "reminders/reminder_component.h"

#include <gtest/gtest.h>

#include <limits>

#include "reminders/due_text.h"
#include "support/kept_texts.h"
#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

using Component = WidgetTimelineReminderComponent;
using Style = Component::DueStyle;
using Persons = std::vector<WidgetPersonPayload>;
using Strings = std::vector<std::string>;
using testing::at;

UserSettings settings(const char* zone = "America/New_York", const char* locale = "en_US") {
  return UserSettings{.calendar = *Calendar::make(zone, locale), .strings = Catalog()};
}

WidgetPersonPayload person(std::string identifier, std::int64_t colour = 1,
                           CustodyPersonType type = CustodyPersonType::child) {
  return {
      .identifier = identifier, .type = type, .nick = "nick " + identifier, .colorEncoded = {"183", colour}};
}

WidgetEventPayload event(std::string_view caregiver, const std::vector<std::string_view>& beneficiaries,
                         const char* due = "2024-06-10T09:00:00-04:00") {
  WidgetEventPayload e{.identifier = "E1", .type = CustodyEventType::expense, .title = "Dentist"};
  e.caregiver = testing::kept(caregiver);
  e.beneficiaries = testing::keptList(beneficiaries);
  e.plannedDateFrom = at(due);
  e.plannedDateTo = e.plannedDateFrom.adding(3600);
  return e;
}

TEST(ReminderComponent, LabelsTheCaregiverFirstThenBeneficiariesInPersonsOrder) {
  const Persons persons = {person("C1", 6, CustodyPersonType::caregiver), person("B1", 4),
                           person("C2", 8, CustodyPersonType::caregiver), person("B2", 2)};
  // Two entries share the caregiver's identifier and two a beneficiary's.
  const Persons twice = {person("B1", 4), person("C1", 6), person("C1", 9), person("B2", 2), person("B1", 5)};
  // Identifiers compare by canonical equivalence ("José" precomposed or with a combining acute, the Kelvin
  // sign and "K"), and the labels keep the persons' own spelling. Compatibility forms ("ﬁ" is not "fi")
  // and different ill-formed bytes (though both decode to the replacement character) differ.
  const std::string jose = "Jos\u00e9";
  const Persons accented = {person(jose, 6), person("Ana\u0308", 4), person("B1", 2)};
  const Persons odd = {person("\xef\xac\x81"), person("\xff"), person("B\xc3"), person("\u212a1", 3),
                       person("K2", 5)};
  const struct {
    const char* what;
    std::string caregiver;
    std::vector<std::string_view> beneficiaries;
    const Persons& persons;
    Strings labels;  // identifier/colour index of each; empty: not built, and says so
  } cases[] = {
      {"persons order wins", "C2", {"B2", "B1"}, persons, {"C2/8", "B1/4", "B2/2"}},
      {"caregiver among beneficiaries", "C1", {"C1", "B2"}, persons, {"C1/6", "B2/2"}},
      {"repeated beneficiary", "C1", {"B2", "B2", "B2"}, persons, {"C1/6", "B2/2"}},
      {"unknown beneficiaries dropped", "C1", {"X9", "B1", ""}, persons, {"C1/6", "B1/4"}},
      {"duplicate entries", "C1", {"C1", "B1"}, twice, {"C1/6", "B1/4", "B1/5"}},
      {"unknown caregiver", "C9", {"B1", "B2"}, persons, {}},
      {"letter case differs", "c1", {"B1"}, persons, {}},
      {"canonical forms",
       "Jose\u0301",
       {"An\u00e4", jose, "B1"},
       accented,
       {jose + "/6", "Ana\u0308/4", "B1/2"}},
      {"compatibility form", "fi", {}, odd, {}},
      {"other ill-formed byte", "\xfe", {}, odd, {}},
      {"ill-formed bytes", "\xff", {"B\xc3", "B\xc4"}, odd, {"\xff/1", "B\xc3/1"}},
      {"Kelvin sign", "K1", {"\u212a2"}, odd, {"\u212a1/3", "K2/5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ReminderTemplate shown(event(c.caregiver, c.beneficiaries), c.persons);
    Strings labels;
    const std::string out = testing::capturedStdout([&] {
      if (const auto made = shown.shownOn(at("2024-06-10T14:00:00-04:00"), settings()))
        for (const auto& label : made->personsLabels)
          labels.push_back(label.identifier + "/" + std::to_string(label.colorEncoded.index));
    });
    EXPECT_EQ(shown.hasCaregiver(), !c.labels.empty());
    EXPECT_EQ(out.empty(), !c.labels.empty());  // the line itself: the request commands' test (tests/app)
    EXPECT_EQ(labels, c.labels);
  }
}

TEST(ReminderComponent, CopiesTheEventsFieldsAndWordsTheDueDay) {
  auto source = event("C1", {"B1"}, "2024-06-12T17:30:00-04:00");
  source.dueAmountText = "125";
  source.notes = "bring the card";
  source.actionURL = testing::kept(URL::make("corvantis2://reminders/E1?x=1"));
  // Persons are copied as they are, a colour this widget cannot show included.
  const Persons persons = {person("C1"), {.identifier = "B1", .nick = "Mia", .colorEncoded = {"99", -4}}};
  EXPECT_EQ(Component::make(at("2024-06-10T14:00:00-04:00"), source, persons, settings()),
            (Component{.identifier = "E1",
                       .type = CustodyEventType::expense,
                       .title = "Dentist",
                       .personsLabels = {{"C1", "nick C1", {"183", 1}}, {"B1", "Mia", {"99", -4}}},
                       .dueDate = source.plannedDateFrom,
                       .dueAmountText = "125",
                       .dueStyle = Style::future,
                       .dueText = "IN 2 DAY(S)",
                       .notes = "bring the card",
                       .actionURL = *source.actionURL}));
}

TEST(ReminderComponent, StyleAndTextDescribeTheSameWholeDays) {
  constexpr Style O = Style::overdue, T = Style::today, F = Style::future;
  // Zone, instant shown on, due date, style, text.
  const std::tuple<const char*, const char*, const char*, Style, const char*> cases[] = {
      // clang-format off
      // Earlier the same day is still today.
      {"America/New_York", "2024-06-10T14:00:00-04:00", "2024-06-10T09:00:00-04:00", T, "TODAY"},
      {"America/New_York", "2024-06-10T23:59:00-04:00", "2024-06-11T00:00:00-04:00", F, "TOMORROW"},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-07-25T12:00:00-04:00", F, "IN 1 MONTH(S)"},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-03-01T12:00:00-05:00", O, "3 MONTH(S) AGO"},
      {"America/New_York", "2024-03-09T12:00:00-05:00", "2024-03-11T00:30:00-04:00", F, "IN 2 DAY(S)"},
      // The same instants in another zone fall on other days.
      {"Europe/Berlin", "2024-06-10T14:00:00-04:00", "2024-06-10T19:30:00-04:00", F, "TOMORROW"},
      // Days that begin at 01:00, or at the first of two midnights.
      {"America/Sao_Paulo", "2018-11-03T23:59:00-03:00", "2018-11-04T01:00:00-02:00", F, "TOMORROW"},
      {"America/Havana", "2023-11-06T00:00:00-05:00", "2023-11-05T00:00:00-04:00", O, "YESTERDAY"},
      {"Australia/Lord_Howe", "2024-10-05T23:59:00+10:30", "2024-10-06T00:00:00+10:30", F, "TOMORROW"},
      // clang-format on
  };
  for (const auto& [zone, displayOn, due, style, text] : cases) {
    // Weeks starting on Sunday and Saturday: the wording never depends on the week.
    for (const char* locale : {"en_US", "ar_EG"}) {
      SCOPED_TRACE(std::string(zone) + " " + displayOn + " -> " + due + " " + locale);
      const UserSettings user = settings(zone, locale);
      const auto component = Component::make(at(displayOn), event("C1", {}, due), {person("C1")}, user);
      ASSERT_TRUE(component);
      EXPECT_EQ(std::pair(component->dueStyle, component->dueText), std::pair(style, std::string(text)));
      EXPECT_EQ(makeDueStyle(at(displayOn), at(due), user.calendar), style);
    }
  }
}

TEST(DueText, WordsDaysAndMonthsInTheCatalogsLanguageFillingOnlyTheExactPlaceholder) {
  testing::TemporaryDirectory made;
  const std::string days = testing::joined({"%d DAY(S)", "%d DAY(S)"});
  // The placeholder twice and in near misses; templates without it; a count text that holds it itself.
  testing::writeCatalog(
      made.path(), "xa",
      testing::moFile({{"IN [INTERVAL]", "[INTERVAL] from now, yes: [INTERVAL]!"},
                       {"[INTERVAL] AGO", "before [interval] and [INTERVAL ] and [[INTERVAL]]"},
                       {days, testing::joined({"%d day", "%d days"})}}));
  testing::writeCatalog(made.path(), "xb",
                        testing::moFile({{"IN [INTERVAL]", "Soon"}, {"[INTERVAL] AGO", "Earlier"}}));
  testing::writeCatalog(made.path(), "xc",
                        testing::moFile({{days, testing::joined({"[INTERVAL] %d", "[INTERVAL] %d"})}}));
  constexpr std::int64_t min = std::numeric_limits<std::int64_t>::min();
  constexpr std::nullopt_t none = std::nullopt;
  // Locale, months, days, text; no locale: the keys; two letters: a catalog made here; else a built one.
  using Count = std::optional<std::int64_t>;
  const std::tuple<const char*, Count, Count, const char*> cases[] = {
      // clang-format off
      // An absent count reads as zero; months win over days, whatever the days' sign; the most negative
      // count has no positive counterpart: the largest is shown.
      {"", 0, -2, "2 DAY(S) AGO"}, {"", none, 1, "TOMORROW"}, {"", none, none, "TODAY"},
      {"", 1, -3, "IN 1 MONTH(S)"}, {"", -3, -20, "3 MONTH(S) AGO"},
      {"", min, 0, "9223372036854775807 MONTH(S) AGO"}, {"", 0, min, "9223372036854775807 DAY(S) AGO"},
      // The built catalogs' templates around their plural forms (the forms themselves: the catalog tests).
      {"pl_PL.UTF-8", 0, -22, "22 dni temu"}, {"pl_PL.UTF-8", 3, 2, "Za 3 miesiące"},
      {"ar_EG.UTF-8", 0, 2, "بعد يومين"}, {"ar_EG.UTF-8", -11, 0, "قبل ١١ شهرًا"},
      {"xa", 0, 3, "3 days from now, yes: 3 days!"},
      {"xa", 0, -2, "before [interval] and [INTERVAL ] and [2 days]"},
      {"xa", 2, 0, "2 MONTH(S) from now, yes: 2 MONTH(S)!"},  // a count format without translation: its key
      {"xb", 0, 3, "Soon"}, {"xb", -4, 0, "Earlier"}, {"xb", 0, 1, "TOMORROW"},
      {"xc", 0, 4, "IN [INTERVAL] 4"},
      // clang-format on
  };
  for (const auto& [name, months, dayCount, text] : cases) {
    const std::string_view locale = name;
    const Catalog strings =
        locale.empty()
            ? Catalog()
            : Catalog::load(locale.size() == 2 ? made.path() : testing::builtStringsDirectory(), locale);
    EXPECT_EQ(makeDueText({.months = months, .days = dayCount}, strings), text)
        << locale << ": months " << months.value_or(-999) << ", days " << dayCount.value_or(-999);
  }
}

}  // namespace
}  // namespace rw
