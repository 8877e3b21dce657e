#include "reminders/reminder_component.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "platform/ascii.h"
#include "platform/messages.h"
#include "reminders/due_text.h"

namespace rw {
namespace {

using Component = WidgetTimelineReminderComponent;

// The form in which two identifiers are equal exactly when they are canonically equivalent: the NFC form
// of a well-formed UTF-8 text. ASCII is its own NFC form and needs no work. Ill-formed UTF-8 stays as its
// bytes, marked with a 0xFF byte that no well-formed text contains: decoding it would turn different bytes
// into the same replacement character and make different identifiers equal.
std::string comparisonKey(std::string_view identifier) {
  if (isAscii(identifier)) return std::string(identifier);
  const auto* bytes = reinterpret_cast<const uint8_t*>(identifier.data());
  const auto length = static_cast<int32_t>(identifier.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) {
      std::string key(1, '\xff');
      key.append(identifier);
      return key;
    }
  }
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::string(identifier);
  const icu::UnicodeString normalized =
      nfc->normalize(icu::UnicodeString::fromUTF8(icu::StringPiece(identifier.data(), length)), status);
  if (U_FAILURE(status)) return std::string(identifier);
  std::string key;
  normalized.toUTF8String(key);
  return key;
}

// An identifier in its comparison form, borrowed when the identifier is ASCII (its own form), so the common
// case costs no copy: every component compares its event's identifiers with all the payload's persons.
class ComparisonForm {
 public:
  explicit ComparisonForm(std::string_view identifier) : borrowed_(identifier) {
    if (!isAscii(identifier)) owned_ = comparisonKey(identifier);
  }
  std::string_view view() const { return owned_ ? std::string_view(*owned_) : borrowed_; }
  friend bool operator==(const ComparisonForm& a, const ComparisonForm& b) { return a.view() == b.view(); }

 private:
  std::string_view borrowed_;
  std::optional<std::string> owned_;
};

// The style of a reminder whose due day has `order` against the display day.
Component::DueStyle dueStyleOf(std::partial_ordering order) {
  if (order < 0) return Component::DueStyle::overdue;
  if (order == 0) return Component::DueStyle::today;
  return Component::DueStyle::future;  // later, or not comparable
}

Component::PersonLabelComponent labelOf(const WidgetPersonPayload& person) {
  return {.identifier = person.identifier,
          .nick = std::string(shownOnOneLine(person.nick)),
          .colorEncoded = person.colorEncoded};
}

}  // namespace

std::string_view shownOnOneLine(std::string_view text) {
  // Mostly ASCII or short: nothing to cut without looking at the characters.
  if (text.size() <= kMaxShownCodePoints) return text;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int64_t>(text.size());
  int64_t cut = 0;
  for (std::size_t count = 0; count < kMaxShownCodePoints && cut < length; ++count) {
    UChar32 c = 0;
    int32_t at = 0;
    // One code point (or one ill-formed sequence) at a time, from a window that cannot overflow int32_t.
    const auto window = static_cast<int32_t>(std::min<int64_t>(length - cut, 4));
    U8_NEXT(bytes + cut, at, window, c);
    cut += at;
  }
  if (cut >= length) return text;
  // Back to the start of the grapheme cluster the cut falls in (a letter keeps its marks), judged on the text
  // up to a little past the cut: a cluster longer than that is cut where it is.
  const int64_t seen = std::min<int64_t>(length, cut + 256);
  UErrorCode status = U_ZERO_ERROR;
  UText* utext = utext_openUTF8(nullptr, text.data(), seen, &status);
  std::unique_ptr<icu::BreakIterator> clusters(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_SUCCESS(status)) {
    clusters->setText(utext, status);
    if (U_SUCCESS(status) && !clusters->isBoundary(static_cast<int32_t>(cut))) {
      const int32_t start = clusters->preceding(static_cast<int32_t>(cut));
      if (start > 0) cut = start;
    }
  }
  utext_close(utext);
  return text.substr(0, static_cast<std::size_t>(cut));
}

ReminderTemplate::ReminderTemplate(const WidgetEventPayload& event,
                                   const std::vector<WidgetPersonPayload>& persons) {
  std::vector<ComparisonForm> personKeys;
  personKeys.reserve(persons.size());
  for (const auto& person : persons)
    personKeys.emplace_back(person.identifier);

  // The caregiver is the first person with the event's caregiver identifier, whatever that person's type.
  const ComparisonForm caregiverKey(event.caregiver);
  const auto caregiver = std::ranges::find(personKeys, caregiverKey);
  if (caregiver == personKeys.end()) return;

  std::vector<ComparisonForm> beneficiaryKeys;
  beneficiaryKeys.reserve(event.beneficiaries.size());
  for (const auto& identifier : event.beneficiaries)
    beneficiaryKeys.emplace_back(identifier);
  // Looked up once per person: an event may name thousands.
  std::unordered_set<std::string_view> beneficiaries;
  beneficiaries.reserve(beneficiaryKeys.size());
  for (const auto& key : beneficiaryKeys)
    beneficiaries.insert(key.view());

  Component& component = parts_.emplace();
  component.personsLabels.push_back(labelOf(persons[static_cast<size_t>(caregiver - personKeys.begin())]));
  // The persons list decides the order of the other labels; the beneficiaries list only says who is in.
  // Every person entry with the caregiver's identifier stays out, so the caregiver is shown once, first.
  for (size_t i = 0; i < persons.size() && component.personsLabels.size() < kMaxPersonLabels; ++i) {
    if (personKeys[i] != caregiverKey && beneficiaries.contains(personKeys[i].view()))
      component.personsLabels.push_back(labelOf(persons[i]));
  }

  component.identifier = event.identifier;
  component.type = event.type;
  component.title = shownOnOneLine(event.title);
  component.dueDate = event.plannedDateFrom;
  component.dueAmountText = shownOnOneLine(event.dueAmountText);
  // Never drawn, but written in every entry's answer: cut like the texts the row shows.
  component.notes = shownOnOneLine(event.notes);
  if (event.actionURL != nullptr) component.actionURL = *event.actionURL;
}

std::optional<Component> ReminderTemplate::shownOn(Date displayOn, const UserSettings& settings) const {
  DueTexts dueTexts(settings.strings);
  return shownOn(displayOn, settings, dueTexts);
}

std::optional<Component> ReminderTemplate::shownOn(Date displayOn, const UserSettings& settings,
                                                   DueTexts& dueTexts) const {
  if (!parts_) {
    reportError("WidgetTimelineReminderComponent", "init(displayOn:event:persons:)", "No caregiver");
    return std::nullopt;
  }
  std::optional<Component> component = parts_;
  // Style and text count the same calendar days, so the two always describe the same pair of days.
  const DayDistance due = settings.calendar.dayDistance(displayOn, component->dueDate);
  component->dueStyle = dueStyleOf(due.order);
  component->dueText = dueTexts.text({.months = due.distance.months, .days = due.distance.days});
  return component;
}

std::optional<Component> Component::make(Date displayOn, const WidgetEventPayload& event,
                                         const std::vector<WidgetPersonPayload>& persons,
                                         const UserSettings& settings) {
  return ReminderTemplate(event, persons).shownOn(displayOn, settings);
}

Component::DueStyle makeDueStyle(Date displayOn, Date dueDate, const Calendar& calendar) {
  return dueStyleOf(calendar.compareDays(dueDate, displayOn));
}

std::string_view dueStyleName(Component::DueStyle style) {
  switch (style) {
    case Component::DueStyle::overdue:
      return "overdue";
    case Component::DueStyle::today:
      return "today";
    case Component::DueStyle::future:
      return "future";
  }
  return "future";
}

}  // namespace rw
