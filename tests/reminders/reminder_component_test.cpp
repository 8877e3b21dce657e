#include "reminders/reminder_component.h"

#include <gtest/gtest.h>

#include "support/kept_texts.h"
#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

using Component = WidgetTimelineReminderComponent;
using Style = Component::DueStyle;
using testing::capturedStdout;

constexpr const char* kNoCaregiver =
    "Error in WidgetTimelineReminderComponent.init(displayOn:event:persons:): No caregiver\n";

Date at(const char* rfc3339) {
  const auto date = parseRfc3339(rfc3339);
  EXPECT_TRUE(date) << rfc3339;
  return date.value_or(Date{});
}

UserSettings settings(const char* zone = "America/New_York", const char* locale = "en_US") {
  return UserSettings{.calendar = *Calendar::make(zone, locale), .strings = Catalog()};
}

WidgetPersonPayload person(std::string identifier, std::int64_t colour = 1,
                           CustodyPersonType type = CustodyPersonType::child) {
  return {.identifier = identifier,
          .type = type,
          .nick = "nick " + identifier,
          .colorEncoded = {.version = "183", .index = colour}};
}

WidgetEventPayload event(std::string_view caregiver, const std::vector<std::string_view>& beneficiaries,
                         const char* due = "2024-06-10T09:00:00-04:00") {
  WidgetEventPayload e;
  e.identifier = "E1";
  e.type = CustodyEventType::expense;
  e.status = CustodyEventStatus::canceled;
  e.title = "Dentist";
  e.caregiver = testing::kept(caregiver);
  e.beneficiaries = testing::keptList(beneficiaries);
  e.plannedDateFrom = at(due);
  e.plannedDateTo = e.plannedDateFrom.adding(3600);
  e.dateFrom = Date{0};
  e.dateTo = Date{0};
  e.dueAmountText = "125";
  e.notes = "bring the card";
  return e;
}

std::vector<std::string> labelIds(const Component& component) {
  std::vector<std::string> ids;
  for (const auto& label : component.personsLabels)
    ids.push_back(label.identifier);
  return ids;
}

TEST(ReminderComponent, LabelsTheCaregiverFirstThenBeneficiariesInPersonsOrder) {
  const std::vector<WidgetPersonPayload> persons = {
      person("C1", 6, CustodyPersonType::caregiver), person("B1", 4),
      person("C2", 8, CustodyPersonType::caregiver), person("B2", 2)};
  struct Case {
    const char* what;
    std::string caregiver;
    std::vector<std::string_view> beneficiaries;
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {"plain", "C1", {"B1"}, {"C1", "B1"}},
      {"no beneficiaries", "C1", {}, {"C1"}},
      {"persons order wins", "C2", {"B2", "B1"}, {"C2", "B1", "B2"}},
      {"caregiver among beneficiaries", "C1", {"C1", "B2"}, {"C1", "B2"}},
      {"repeated beneficiary", "C1", {"B2", "B2", "B2"}, {"C1", "B2"}},
      {"unknown beneficiaries dropped", "C1", {"X9", "B1", ""}, {"C1", "B1"}},
      {"a child as caregiver", "B2", {"C1"}, {"B2", "C1"}},
      {"another caregiver as beneficiary", "C1", {"C2"}, {"C1", "C2"}},
  };
  for (const auto& c : cases) {
    std::optional<Component> component;
    const std::string out = capturedStdout([&] {
      component = Component::make(at("2024-06-10T14:00:00-04:00"), event(c.caregiver, c.beneficiaries),
                                  persons, settings());
    });
    ASSERT_TRUE(component) << c.what;
    EXPECT_EQ(out, "") << c.what;
    EXPECT_EQ(labelIds(*component), c.labels) << c.what;
  }
}

TEST(ReminderComponent, CopiesPersonsIntoLabelsUnchanged) {
  const std::vector<WidgetPersonPayload> persons = {
      {.identifier = "C1",
       .type = CustodyPersonType::caregiver,
       .nick = "Alex",
       .colorEncoded = {.version = "183", .index = 6}},
      {.identifier = "B1",
       .type = CustodyPersonType::child,
       .nick = "Mia",
       .colorEncoded = {.version = "99", .index = -4}},
  };
  const auto component =
      Component::make(at("2024-06-10T14:00:00-04:00"), event("C1", {"B1"}), persons, settings());
  ASSERT_TRUE(component);
  ASSERT_EQ(component->personsLabels.size(), 2u);
  EXPECT_EQ(component->personsLabels[0].nick, "Alex");
  EXPECT_EQ(component->personsLabels[0].colorEncoded, (ColorEncoded{.version = "183", .index = 6}));
  // A colour this widget cannot show is still copied as it is; decoding it is the row's business.
  EXPECT_EQ(component->personsLabels[1].nick, "Mia");
  EXPECT_EQ(component->personsLabels[1].colorEncoded, (ColorEncoded{.version = "99", .index = -4}));
}

TEST(ReminderComponent, DuplicateCaregiverEntriesGiveOneLabel) {
  // Two person entries share the caregiver's identifier: only the first becomes a label, even when the
  // identifier is listed among the beneficiaries too.
  const std::vector<WidgetPersonPayload> persons = {person("B1", 4), person("C1", 6), person("C1", 9),
                                                    person("B2", 2), person("B1", 5)};
  const auto component =
      Component::make(at("2024-06-10T14:00:00-04:00"), event("C1", {"C1", "B1"}), persons, settings());
  ASSERT_TRUE(component);
  EXPECT_EQ(labelIds(*component), (std::vector<std::string>{"C1", "B1", "B1"}));
  EXPECT_EQ(component->personsLabels[0].colorEncoded.index, 6);
  // Each person entry with a listed identifier is taken once, in persons order.
  EXPECT_EQ(component->personsLabels[1].colorEncoded.index, 4);
  EXPECT_EQ(component->personsLabels[2].colorEncoded.index, 5);
}

TEST(ReminderComponent, WithoutItsCaregiverIsNotBuilt) {
  const std::vector<WidgetPersonPayload> persons = {person("C1"), person("B1")};
  struct Case {
    const char* what;
    std::string caregiver;
    std::vector<WidgetPersonPayload> persons;
  };
  const Case cases[] = {
      {"unknown caregiver", "C9", persons},
      {"empty persons", "C1", {}},
      {"empty caregiver", "", persons},
      {"letter case differs", "c1", persons},
      {"beneficiary does not stand in", "B2", {person("C1"), person("B1")}},
  };
  for (const auto& c : cases) {
    std::optional<Component> component;
    const std::string out = capturedStdout([&] {
      component = Component::make(at("2024-06-10T14:00:00-04:00"), event(c.caregiver, {"B1", "B2"}),
                                  c.persons, settings());
    });
    EXPECT_FALSE(component) << c.what;
    EXPECT_EQ(out, kNoCaregiver) << c.what;
  }
}

TEST(ReminderComponent, ComparesIdentifiersByCanonicalEquivalence) {
  // "José" precomposed in the persons, decomposed (e + combining acute) in the event, and the other way
  // round.
  const std::string composed = "Jos\u00e9";
  const std::string decomposed = "Jose\u0301";
  const std::vector<WidgetPersonPayload> persons = {person(composed, 6), person("Ana\u0308", 4),
                                                    person("B1", 2)};
  const auto component = Component::make(
      at("2024-06-10T14:00:00-04:00"), event(decomposed, {"An\u00e4", composed, "B1"}), persons, settings());
  ASSERT_TRUE(component);
  // The labels keep the persons' own spelling; the caregiver is not repeated under its other spelling.
  EXPECT_EQ(labelIds(*component), (std::vector<std::string>{composed, "Ana\u0308", "B1"}));

  // Compatibility forms are different identifiers ("ﬁ" is not "fi"), and so are different ill-formed bytes
  // even though both would decode to the same replacement character.
  const std::vector<WidgetPersonPayload> others = {person("\xef\xac\x81"), person("\xff"), person("B\xc3")};
  std::string out =
      capturedStdout([&] { EXPECT_FALSE(Component::make(Date{}, event("fi", {}), others, settings())); });
  EXPECT_EQ(out, kNoCaregiver);
  out = capturedStdout([&] { EXPECT_FALSE(Component::make(Date{}, event("\xfe", {}), others, settings())); });
  EXPECT_EQ(out, kNoCaregiver);
  const auto raw = Component::make(Date{}, event("\xff", {"B\xc3", "B\xc4"}), others, settings());
  ASSERT_TRUE(raw);
  EXPECT_EQ(labelIds(*raw), (std::vector<std::string>{"\xff", "B\xc3"}));

  // A non-ASCII identifier whose canonical form is ASCII (the Kelvin sign is "K") equals that ASCII text.
  const std::vector<WidgetPersonPayload> kelvin = {person("\u212a1", 3), person("K2", 5)};
  const auto viaKelvin = Component::make(Date{}, event("K1", {"\u212a2"}), kelvin, settings());
  ASSERT_TRUE(viaKelvin);
  EXPECT_EQ(labelIds(*viaKelvin), (std::vector<std::string>{"\u212a1", "K2"}));
}

TEST(ReminderComponent, CopiesTheEventsFields) {
  auto source = event("C1", {}, "2024-06-12T17:30:00-04:00");
  source.actionURL = testing::kept(URL::make("corvantis2://reminders/E1?x=1"));
  ASSERT_TRUE(source.actionURL);
  const std::vector<WidgetPersonPayload> persons = {person("C1")};
  const auto component = Component::make(at("2024-06-10T14:00:00-04:00"), source, persons, settings());
  ASSERT_TRUE(component);
  EXPECT_EQ(component->identifier, "E1");
  EXPECT_EQ(component->type, CustodyEventType::expense);
  EXPECT_EQ(component->title, "Dentist");
  EXPECT_EQ(component->dueDate, source.plannedDateFrom);
  EXPECT_EQ(component->dueAmountText, "125");
  EXPECT_EQ(component->notes, "bring the card");
  EXPECT_EQ(component->actionURL, *source.actionURL);
  EXPECT_EQ(component->dueStyle, Style::future);
  EXPECT_EQ(component->dueText, "IN 2 DAY(S)");

  source.actionURL = nullptr;
  const auto withoutLink = Component::make(at("2024-06-10T14:00:00-04:00"), source, persons, settings());
  ASSERT_TRUE(withoutLink);
  EXPECT_FALSE(withoutLink->actionURL);
}

TEST(ReminderComponent, StyleAndTextDescribeTheSameDays) {
  struct Case {
    const char* zone;
    const char* displayOn;
    const char* due;
    Style style;
    const char* text;
  };
  const Case cases[] = {
      // Whole days only: earlier the same day is still today.
      {"America/New_York", "2024-06-10T14:00:00-04:00", "2024-06-10T09:00:00-04:00", Style::today, "TODAY"},
      {"America/New_York", "2024-06-10T23:59:00-04:00", "2024-06-11T00:00:00-04:00", Style::future,
       "TOMORROW"},
      {"America/New_York", "2024-06-10T00:00:00-04:00", "2024-06-09T23:59:00-04:00", Style::overdue,
       "YESTERDAY"},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-07-25T12:00:00-04:00", Style::future,
       "IN 1 MONTH(S)"},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-07-09T12:00:00-04:00", Style::future,
       "IN 29 DAY(S)"},
      {"America/New_York", "2024-06-10T12:00:00-04:00", "2024-03-01T12:00:00-05:00", Style::overdue,
       "3 MONTH(S) AGO"},
      {"America/New_York", "2024-03-09T12:00:00-05:00", "2024-03-11T00:30:00-04:00", Style::future,
       "IN 2 DAY(S)"},
      // The same instants in another zone fall on other days.
      {"America/Sao_Paulo", "2024-06-10T23:59:00-04:00", "2024-06-11T00:00:00-04:00", Style::today, "TODAY"},
      {"Europe/Berlin", "2024-06-10T14:00:00-04:00", "2024-06-10T19:30:00-04:00", Style::future, "TOMORROW"},
      // Days that begin at 01:00, or at the first of two midnights.
      {"America/Sao_Paulo", "2018-11-03T23:59:00-03:00", "2018-11-04T01:00:00-02:00", Style::future,
       "TOMORROW"},
      {"America/Sao_Paulo", "2018-11-04T01:00:00-02:00", "2018-11-05T00:00:00-02:00", Style::future,
       "TOMORROW"},
      {"America/Sao_Paulo", "2018-11-05T00:00:00-02:00", "2018-11-04T23:59:00-02:00", Style::overdue,
       "YESTERDAY"},
      {"America/Havana", "2023-11-04T23:59:00-04:00", "2023-11-05T00:30:00-05:00", Style::future, "TOMORROW"},
      {"America/Havana", "2023-11-05T00:10:00-04:00", "2023-11-05T00:20:00-05:00", Style::today, "TODAY"},
      {"America/Havana", "2023-11-06T00:00:00-05:00", "2023-11-05T00:00:00-04:00", Style::overdue,
       "YESTERDAY"},
      {"Australia/Lord_Howe", "2024-10-05T23:59:00+10:30", "2024-10-06T00:00:00+10:30", Style::future,
       "TOMORROW"},
  };
  const std::vector<WidgetPersonPayload> persons = {person("C1")};
  for (const auto& c : cases) {
    // Weeks starting on Sunday, Monday and Saturday: the wording never depends on the week.
    for (const char* locale : {"en_US", "de_DE", "ar_EG"}) {
      const UserSettings user = settings(c.zone, locale);
      const auto component = Component::make(at(c.displayOn), event("C1", {}, c.due), persons, user);
      ASSERT_TRUE(component) << c.zone << " " << c.displayOn;
      EXPECT_EQ(component->dueStyle, c.style)
          << c.zone << " " << c.displayOn << " -> " << c.due << " " << locale;
      EXPECT_EQ(component->dueText, c.text)
          << c.zone << " " << c.displayOn << " -> " << c.due << " " << locale;
      EXPECT_EQ(makeDueStyle(at(c.displayOn), at(c.due), user.calendar), c.style)
          << c.zone << " " << c.displayOn;
    }
  }
}

TEST(ReminderTemplate, ShowsOnEveryDayWhatMakeBuilds) {
  // Identifiers long enough to be read a word at a time, with the non-ASCII letter in the first word, across
  // the boundary of two words and in the tail; the event names them in the other canonical form.
  const std::string first = "\u00e9ABCDEFGHIJ";
  const std::string across = "ABCDEFG\u00e9";
  const std::string tail = "ABCDEFGHIJ\u00e9";
  const auto decomposed = [](std::string text) {
    text.replace(text.find("\u00e9"), 2, "e\u0301");
    return text;
  };
  const std::vector<WidgetPersonPayload> persons = {person(first, 3, CustodyPersonType::caregiver),
                                                    person(across, 5), person("B1", 7), person(tail, 9)};
  WidgetEventPayload e =
      event(decomposed(across), {decomposed(tail), "B1", decomposed(first)}, "2024-11-03T09:00:00-05:00");
  URL link = *URL::make("corvantis2://reminders/E1");
  e.actionURL = &link;
  const ReminderTemplate shown(e, persons);
  ASSERT_TRUE(shown.hasCaregiver());

  // Days on both sides of the due day and of a change of the clocks, in two zones.
  for (const char* zone : {"America/New_York", "Europe/Berlin"}) {
    const UserSettings user = settings(zone, "de_DE");
    for (int day = -40; day <= 40; ++day) {
      const Date displayOn = user.calendar.startOfDay(at("2024-11-03T12:00:00-05:00"), day);
      const auto expected = Component::make(displayOn, e, persons, user);
      const auto component = shown.shownOn(displayOn, user);
      ASSERT_TRUE(expected && component) << zone << " " << day;
      EXPECT_EQ(labelIds(*component), labelIds(*expected)) << zone << " " << day;
      EXPECT_EQ(labelIds(*component), (std::vector<std::string>{across, first, "B1", tail}));
      EXPECT_EQ(component->dueStyle, expected->dueStyle) << zone << " " << day;
      EXPECT_EQ(component->dueText, expected->dueText) << zone << " " << day;
      EXPECT_EQ(component->title, "Dentist");
      EXPECT_EQ(component->dueDate, e.plannedDateFrom);
      ASSERT_TRUE(component->actionURL);
      EXPECT_EQ(component->actionURL->absoluteString(), "corvantis2://reminders/E1");
    }
  }
}

TEST(ReminderTemplate, WithoutItsCaregiverSaysSoEachTimeItIsShown) {
  const ReminderTemplate shown(event("C9", {"B1"}), {person("C1"), person("B1")});
  EXPECT_FALSE(shown.hasCaregiver());
  const std::string out = capturedStdout([&] {
    for (int day = 0; day < 3; ++day)
      EXPECT_FALSE(shown.shownOn(at("2024-06-10T14:00:00-04:00").adding(day * 86'400.0), settings()));
  });
  EXPECT_EQ(out, std::string(kNoCaregiver) + kNoCaregiver + kNoCaregiver);
}

TEST(ReminderComponent, DueTextFollowsTheCatalog) {
  const std::vector<WidgetPersonPayload> persons = {person("C1")};
  const UserSettings polish{.calendar = *Calendar::make("Europe/Warsaw", "pl_PL.UTF-8"),
                            .strings = Catalog::load(testing::builtStringsDirectory(), "pl_PL.UTF-8")};
  const auto component = Component::make(at("2024-06-10T12:00:00+02:00"),
                                         event("C1", {}, "2024-06-15T08:00:00+02:00"), persons, polish);
  ASSERT_TRUE(component);
  EXPECT_EQ(component->dueText, "Za 5 dni");
}

}  // namespace
}  // namespace rw
