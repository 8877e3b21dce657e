// Payload records: their coding by the tree and by the direct readers, their texts, colours, dates and store.
#include "payload/payload_coding.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "payload/color_encoded.h"
#include "payload/fields.h"
#include "payload/payload_direct.h"
#include "payload/query_string.h"
#include "payload/sample_event.h"
#include "payload/store.h"
#include "platform/messages.h"
#include "support/scoped_env.h"
#include "support/test_support.h"

namespace rw {
namespace {

using namespace plist;
using namespace rw::testing;
constexpr auto with = testing::sampleWith;
constexpr auto without = testing::sampleWithout;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// What `make` prints, and what it gives.
template <typename Make>
auto printedAnd(Make make) {
  std::optional<decltype(make())> result;
  const std::string printed = capturedStdout([&] { result = make(); });
  return std::pair(printed, *result);
}

const Date kFrom = *parseRfc3339("2026-06-10T12:00:00.250Z");

// An event with no field at its default, a URL among them, and a fraction of a second in its dates.
Dictionary eventDictionary() {
  Dictionary event = with(with(testing::sampleEvent(), "type", std::string("expense")), "dateFrom", kFrom);
  event = with(with(std::move(event), "plannedDateFrom", kFrom), "dueAmountText", std::string("€12.50"));
  event = with(std::move(event), "beneficiaries", Array{std::string("P2"), std::string("P3")});
  return with(std::move(event), "actionURL",
              Dictionary{{"relative", std::string("corvantis2://reminders/E1")}});
}

Value payloadWith(Dictionary event, Dictionary person = samplePerson()) {
  return testing::samplePayload({std::move(event)}, {std::move(person)});
}

// Decoded and encoded back, a payload is the dictionary it was. Unknown keys are ignored; a repeated key
// keeps its last value; every key is required but the action URL.
TEST(PayloadDecoding, DecodesWhatTheRecordsAllowAndEncodesItBack) {
  const Value original = Dictionary{
      {"events",
       Array{eventDictionary(),
             with(eventDictionary(), "actionURL",
                  Dictionary{{"relative", std::string("x/y?z=1")},
                             {"base", Dictionary{{"relative", std::string("https://example.org/base/")}}}}),
             with(without(eventDictionary(), "actionURL"), "status", std::string(""))}},
      {"persons",
       Array{samplePerson(),
             with(samplePerson(), "colorEncoded", std::string("pickerIndex=%2D3&pickerVersion=183")),
             with(samplePerson(), "type", std::string("child"))}}};
  const auto decoded = decodePayload(original);
  ASSERT_TRUE(decoded) << decoded.error().where << ": " << decoded.error().reason;
  EXPECT_EQ(decoded->events[1].actionURL->absoluteString(), "https://example.org/base/x/y?z=1");
  EXPECT_EQ(decoded->events[2].status, CustodyEventStatus::permanentlyDeleted);
  EXPECT_EQ(encodePayload(*decoded), original);
  Dictionary event = with(eventDictionary(), "unknown", Array{Value{1.5}});
  event.emplace_back("title", std::string("Second"));
  const Value root =
      Dictionary{{"version", Integer{2}},
                 {"events", Array{event}},
                 {"persons", Array{with(samplePerson(), "actionURL", std::string("not looked at"))}}};
  EXPECT_EQ(decodePayload(root)->events.at(0).title, "Second");
  EXPECT_TRUE(decodePayload(Value{Dictionary{{"events", Array{}}, {"persons", Array{}}}})->persons.empty());
  for (const auto& [key, value] : eventDictionary())
    EXPECT_EQ(decodePayload(payloadWith(without(eventDictionary(), key))).has_value(), key == "actionURL")
        << key;
  for (const auto& [key, value] : samplePerson())
    EXPECT_FALSE(decodePayload(payloadWith(eventDictionary(), without(samplePerson(), key)))) << key;
}

// The first failure fails the payload, at its place, silently, and is the first that checking collects.
TEST(PayloadDecoding, FirstFailureFailsTheWholePayload) {
  const Dictionary event = eventDictionary(), person = samplePerson();
  const auto changed = [&](std::string_view key, Value value) {
    return payloadWith(with(event, key, std::move(value)));
  };
  const auto url = [&](Value value) { return changed("actionURL", std::move(value)); };
  // Payload, where it fails, and what its reason says.
  const std::tuple<Value, std::string_view, std::string_view> cases[] = {
      {Value{Array{}}, "", "expected a dictionary, found an array"},
      {Value{Dictionary{{"persons", Array{}}}}, "events", "missing key"},
      {Value{Dictionary{{"events", Dictionary{}}, {"persons", Array{}}}}, "events", "expected an array"},
      {payloadWith(without(event, "notes")), "events[0].notes", "missing key"},
      {changed("title", Integer{3}), "events[0].title", "found an integer"},
      {changed("status", std::string("pla")), "events[0].status",
       R"(no CustodyEventStatus has the raw value "pla" (expected one of "PLA" "CAN" "ACT" "UNS" "VIS" "RES" ""))"},
      {changed("beneficiaries", Array{std::string("P2"), Value{true}}), "events[0].beneficiaries[1]",
       "found a boolean"},
      {changed("dateTo", std::string("2026-06-10T12:00:00Z")), "events[0].dateTo", "a date"},
      {changed("dateFrom", Date{std::nan("")}), "events[0].dateFrom", "not a finite number"},
      {payloadWith(event, with(person, "colorEncoded", Integer{7})), "persons[0].colorEncoded", "an integer"},
      // Keys are read in field order: the first bad key is the one reported.
      {payloadWith(with(without(event, "notes"), "type", std::string("x"))), "events[0].type", ""},
      // An action URL is a dictionary of a relative text and an optional base of the same form.
      {url(std::string("corvantis2://reminders")), "events[0].actionURL",
       "expected a dictionary, found a string"},
      {url(Dictionary{}), "events[0].actionURL.relative", "missing key"},
      {url(Dictionary{{"relative", std::string("not a url")}}), "events[0].actionURL", "not a URL"},
      {url(Dictionary{{"relative", std::string("r")},
                      {"base", Dictionary{{"relative", std::string("r 1")}}}}),
       "events[0].actionURL.base", "not a URL"},
      {url(Dictionary{{"relative", std::string("r")}, {"base", Dictionary{{"relative", Integer{1}}}}}),
       "events[0].actionURL.base.relative", "expected a string"},
  };
  for (const auto& [root, where, reason] : cases) {
    PayloadDecoding result;
    EXPECT_EQ(capturedStdout([&] { result = decodePayload(root); }), "") << where;
    ASSERT_FALSE(result) << where;
    EXPECT_EQ(result.error().where, where);
    EXPECT_NE(result.error().reason.find(reason), std::string::npos) << result.error().reason;
    EXPECT_EQ(checkPayload(root).at(0), result.error());
  }
  // Checking goes on past each failure and collects them all, in file order.
  const Value all =
      Dictionary{{"events", Array{event, with(without(event, "notes"), "type", std::string("x")),
                                  with(event, "title", Integer{5})}},
                 {"persons", Array{with(person, "type", std::string("Caregiver")), std::string("P2")}}};
  std::vector<std::string> wheres;
  for (const auto& failure : checkPayload(all))
    wheres.push_back(failure.where);
  EXPECT_EQ(wheres, (std::vector<std::string>{"events[1].type", "events[1].notes", "events[2].title",
                                              "persons[0].type", "persons[1]"}));
  EXPECT_TRUE(checkPayload(payloadWith(event)).empty());
}

constexpr double kDistantPast = -63'114'076'800.0;   // year 1 in the platform's calendar, 0000-12-30 here
constexpr double kDistantFuture = 63'113'904'000.0;  // 4001-01-01
const double kYear200000 = parseDateText("+200000-01-01T00:00:00Z")->sinceReferenceDate;

TEST(WideDates, TextsReadBackToTheSameValueAndPayloadsCarryThem) {
  EXPECT_EQ(formatDateText(Date{kDistantPast}), "0000-12-30T00:00:00.000Z");
  EXPECT_EQ(formatDateText(Date{kDistantFuture}), "4001-01-01T00:00:00.000Z");
  EXPECT_EQ(formatDateText(Date{kYear200000}), "+200000-01-01T00:00:00.000Z");
  EXPECT_EQ(formatDateText(*parseDateText("-000001-12-31T23:59:59Z")), "-000001-12-31T23:59:59.000Z");
  // Microseconds from a file come back as six decimals, not rounded to the millisecond.
  const Date micro = *parseDateText("2026-06-10T12:00:00.123456Z");
  EXPECT_EQ(formatDateText(micro), "2026-06-10T12:00:00.123456Z");
  EXPECT_EQ(formatRfc3339(micro), "2026-06-10T12:00:00.123Z");
  // Any finite value, however made, reads back bit for bit or is left to be written as a number.
  for (const double seconds : {-0.5, -31'536'000.123456, 1.5e-7, kDistantPast + 0.25, 3e16, -3e16,
                               kYear200000 + 0.999999, 123456789.123456789})
    EXPECT_EQ(parseDateText(formatDateText(Date{seconds}).value_or("")).value_or(Date{0}).sinceReferenceDate,
              seconds);
  for (const double seconds : {1e300, -1e17, std::nan(""), kInfinity})
    EXPECT_FALSE(formatDateText(Date{seconds})) << seconds;
  for (const char* text : {"+123-06-10T00:00:00Z", "+1234567890-01-01T00:00:00Z", "2026-06-10T00:00:00",
                           "2026-02-30T00:00:00Z", "2026-06-10T00:00:00.Z"})
    EXPECT_FALSE(parseDateText(text)) << text;
  // Payloads carry them; XML has whole seconds, in the expanded form beyond 9999.
  for (const double seconds : {kDistantPast, kDistantFuture, kYear200000, -kYear200000}) {
    const Value payload = payloadWith(with(eventDictionary(), "plannedDateFrom", Date{seconds}));
    EXPECT_EQ(encodePayload(*decodePayload(payload)), payload) << seconds;
  }
  const auto xml = plist::write(Date{kYear200000 + 0.5}, plist::Format::xml).value();
  EXPECT_NE(std::string(xml.begin(), xml.end()).find("<date>+200000-01-01T00:00:00Z</date>"),
            std::string::npos);
}

TEST(PrintableText, EscapesControlsAndBrokenBytesOnly) {
  EXPECT_EQ(printable("Zoë\\n €"), "Zoë\\n €");  // a backslash and non-ASCII text stay
  EXPECT_EQ(printable("a\nb\tc\r"), "a\\nb\\tc\\r");
  EXPECT_EQ(printable("\x1b]0;title\x07\x7f"), "\\x1b]0;title\\x07\\x7f");
  EXPECT_EQ(printable("\xc2\x9b"
                      "2J\xc2\xa0"),
            "\\u009B2J\xc2\xa0");  // C1 CSI escaped, no-break space kept
  EXPECT_EQ(printable("\xff\xc3"), "\\xff\\xc3");
  EXPECT_EQ(printable(std::string_view("a\0b", 3)), "a\\x00b");
}

// Lists of the same texts are kept once, wherever their texts live.
TEST(PayloadStorage, KeepsEqualListsOnceAndViewsRefuseLengthsBeyondTheirField) {
  PayloadStorage storage;
  const std::string first = "C1", second = "C1", other = "C2";
  const std::vector<std::string_view> a{first, other};
  const auto kept = storage.keepList(a);
  EXPECT_EQ(storage.keepList(std::vector<std::string_view>{second, other}).data(), kept.data());
  // Lists differing in order or length, and many landing on one place of the lately-kept table, stay apart.
  std::vector<std::vector<std::string_view>> given = {{other, first}, {first}};
  for (std::size_t i = 0; i < 500; ++i)
    given.push_back({storage.keep("P" + std::to_string(i)), storage.keep("P" + std::to_string(i * 7 % 500))});
  std::vector<std::span<const std::string_view>> lists;
  for (const auto& list : given)
    lists.push_back(storage.keepList(list));
  for (std::size_t i = 0; i < lists.size(); ++i)
    EXPECT_TRUE(std::ranges::equal(lists[i], given[i])) << i;
  EXPECT_TRUE(std::ranges::equal(kept, a));
  EXPECT_TRUE(storage.keepList({}).empty());
  // Never read: only the length matters.
  const std::size_t largest = std::numeric_limits<std::uint32_t>::max();
  EXPECT_EQ(CompactText(std::string_view("x", largest)).size(), largest);
  EXPECT_THROW(CompactText(std::string_view("x", largest + 1)), std::length_error);
}

// Equality of records walks every field they hold, by content and not by where the content lives.
TEST(RecordFields, EventsDifferInAnyOneField) {
  const auto eventIn = [](RemindersWidgetPayload& payload) {
    WidgetEventPayload event;
    event.identifier = payload.keep("E1");
    event.title = payload.keep("Title");
    event.beneficiaries = payload.keepList({payload.keep("P1")});
    event.plannedDateFrom = Date{100};
    event.actionURL = payload.keep(*URL::make("corvantis2://reminders/E1"));
    return event;
  };
  RemindersWidgetPayload payload, elsewhere;
  const WidgetEventPayload event = eventIn(payload);
  EXPECT_EQ(eventIn(elsewhere), event);
  everyField<WidgetEventPayload>([&](auto field) {
    WidgetEventPayload changed = event;
    auto& member = changed.*field.member;
    using T = std::remove_cvref_t<decltype(member)>;
    if constexpr (std::is_same_v<T, Date>)
      member = member.adding(1);
    else if constexpr (std::is_enum_v<T>)
      member = member == T{} ? static_cast<T>(1) : T{};
    else if constexpr (std::is_same_v<T, CompactText>)
      member = "other";
    else
      member = {};  // no beneficiaries, no URL
    EXPECT_NE(changed, event) << field.key;
    EXPECT_NE(event, changed) << field.key;
    return true;
  });
}

TEST(QueryDictionary, ParsesPiecesOrFailsWithOneLineAndTextsReadBack) {
  const std::pair<std::string_view, QueryDictionary> cases[] = {
      {"", {}},
      {"&a=1&&b=2&", {{"a", "1"}, {"b", "2"}}},
      {"a=1&a=2", {{"a", "2"}}},  // the last piece wins
      {"a=", {{"a", ""}}},
      {"a=b=c", {{"a", "b"}}},  // whatever follows a second "=" is dropped
      {"x=ab+cd", {{"x", "ab cd"}}},
      {"x=%2b%2B", {{"x", "++"}}},    // hex digits in either case
      {"a%20b=1", {{"a%20b", "1"}}},  // keys are neither "+"-replaced nor decoded
      {"x=%C3%A9t%C3%A9", {{"x", "été"}}},
      {"x=été", {{"x", "été"}}}};  // unencoded UTF-8 is taken as it is
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(printedAnd([&] { return queryDictionary(text); }),
              std::pair(std::string(), std::optional(expected)))
        << text;
  // One bad piece fails the whole text; bytes that are no UTF-8, even encoded, are bad and escaped in the
  // line.
  for (const std::string_view text :
       {"a", "=1", "a=100%", "a=%G1", "a=%1G", "a=1&b", "a=%FF", "a=%ED%A0%80", "a=%C0%AF", "\xFF=1"})
    EXPECT_EQ(printedAnd([&] { return queryDictionary(text); }),
              std::pair("queryDictionary: Invalid key-value pair in string: " + printable(text) + "\n",
                        std::optional<QueryDictionary>()));
  // Names go out verbatim and sorted, values encoded but for letters, marks and numbers; all read back.
  const std::pair<QueryDictionary, std::string_view> encodings[] = {
      {{{"pickerVersion", "183"}, {"pickerIndex", "7"}}, "pickerIndex=7&pickerVersion=183"},
      {{{"v", "1.0"}}, "v=1%2E0"},
      {{{"k%", "100%"}, {"k+", "a+b"}, {"a b", "1"}}, "a b=1&k%=100%25&k+=a%2Bb"},
      {{{"名", "1"}, {"é", "2"}, {"a", "3"}, {"Z", "4"}}, "Z=4&a=3&é=2&名=1"},
      {{{"k", "Ärger 日本 e\xCC\x81 ١٢٣ ² Ⅻ 😀"}},
       "k=Ärger%20日本%20e\xCC\x81%20١٢٣%20²%20Ⅻ%20%F0%9F%98%80"},  // L, M, N
      {{{"k", "-_.~!*'();:@&=+$,/?#[]"}},
       "k=%2D%5F%2E%7E%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%23%5B%5D"},
      {{{"k", std::string("a\0b", 3)}}, "k=a%00b"},
  };
  for (const auto& [dictionary, encoded] : encodings) {
    EXPECT_EQ(queryString(dictionary), encoded);
    EXPECT_EQ(queryDictionary(encoded), dictionary) << encoded;
  }
}

TEST(ColorEncoded, FallsBackWithExactLinesAndWritesSortedQueryTextThatReadsBack) {
  const std::string kVersion = "Invalid colorEncoded version\n", kIndex = "Invalid colorEncoded index\n";
  // Raw value, the index read, and the lines printed; the version is always the current one.
  const std::tuple<std::string_view, std::int64_t, std::string> cases[] = {
      {"pickerVersion=183&pickerIndex=12", 12, ""},
      {"pickerIndex=14&pickerVersion=183&other=x", 14, ""},  // other items are ignored
      {"pickerIndex=%2B5&pickerVersion=183", 5, ""},         // a decoded "+" sign is allowed
      {"pickerIndex=007&pickerVersion=183", 7, ""},
      {"pickerIndex=9223372036854775807&pickerVersion=183", INT64_MAX, ""},
      {"", 7, ""},
      {"word", 7,
       "queryDictionary: Invalid key-value pair in string: word\nError in ColorEncoded initializer: No "
       "dictionary\n"},
      {"pickerIndex=3&pickerVersion=182", 7, kVersion},
      {"pickerIndex=3&pickerVersion=183%20", 7, kVersion},
      {"pickerIndex=abc&pickerVersion=abc", 7, kVersion},  // the version is checked first
      {"pickerVersion=183", 7, kIndex},
      {"pickerIndex=abc&pickerVersion=183", 7, kIndex},
      {"pickerIndex=+5&pickerVersion=183", 7, kIndex},  // an unencoded "+" reads as a space
      {"pickerIndex=0x10&pickerVersion=183", 7, kIndex},
      {"pickerIndex=%D9%A1&pickerVersion=183", 7, kIndex},  // only the digits 0 to 9
      {"pickerIndex=9223372036854775808&pickerVersion=183", 7, kIndex},
  };
  for (const auto& [raw, index, lines] : cases)
    EXPECT_EQ(printedAnd([&] { return ColorEncoded::fromRawValue(raw); }),
              std::pair(lines, ColorEncoded{"183", index}))
        << raw;
  // Written back as sorted query text that reads back; absent, the default.
  const auto raw = [](ColorEncoded color) { return printedAnd([&] { return color.rawValue(); }); };
  EXPECT_EQ(raw({"1.0", INT64_MIN}),
            std::pair(std::string(), std::string("pickerIndex=%2D9223372036854775808&pickerVersion=1%2E0")));
  EXPECT_EQ(ColorEncoded::fromRawValue(ColorEncoded{"183", INT64_MIN}.rawValue()),
            (ColorEncoded{"183", INT64_MIN}));
  // A version that is no UTF-8 cannot be put into a query text.
  EXPECT_EQ(
      raw({"\xFF", 7}),
      std::pair(std::string("Error in ColorEncoded.rawValue: Unable to build queryString\n"), std::string()));
  EXPECT_EQ(printedAnd([] { return ColorEncoded::fromRawValue(std::nullopt); }),
            std::pair(std::string(), ColorEncoded{"183", 7}));
  // Palette indices run from 0 to 14.
  EXPECT_EQ(paletteColorName(14), personPalette()[14]);
  for (const std::int64_t outside : {std::int64_t{15}, std::int64_t{-1}, INT64_MIN})
    EXPECT_FALSE(paletteColorName(outside)) << outside;
}

constexpr std::string_view kNotFoundLines =
    "Error in RemindersWidgetPayload.payloadURL(): App group group.org.corvantis.widgetkit not found\n"
    "Error in RemindersWidgetPayload.payloadReadingAppGroup(): No payload URL\n";

// Prints each start and stop of security-scoped access on this thread; refuses every start unless `grant`.
struct PrintingHooks : SecurityScopedAccess::Hooks {
  explicit PrintingHooks(bool granted = true)
      : grant(granted), previous(SecurityScopedAccess::setHooksForThisThread(this)) {}
  ~PrintingHooks() override { SecurityScopedAccess::setHooksForThisThread(previous); }
  bool start(const std::filesystem::path& at) override {
    return printLine("start " + at.filename().string()), grant;
  }
  void stop(const std::filesystem::path& at) override { printLine("stop " + at.filename().string()); }
  bool grant;
  Hooks* previous;
};

// What reading the store in `container` prints, and whether it gave a payload.
std::pair<std::string, bool> readStore(const std::filesystem::path& container) {
  return printedAnd([&] { return payloadReadingAppGroup(FileManager(container)).has_value(); });
}

// Access is held around the read only (decoding prints after it); an access not granted is not stopped.
TEST(PayloadStore, ReadsUnderAccessAndPrintsExactlyItsLines) {
  TemporaryDirectory directory;
  const auto file = directory.path() / "reminders.plist";
  const std::string start = "start reminders.plist\n", access = start + "stop reminders.plist\n",
                    colour =
                        "queryDictionary: Invalid key-value pair in string: word\n"
                        "Error in ColorEncoded initializer: No dictionary\n";
  const auto sparse = [&] {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxPayloadFileSize + 1)), 0);
    ::close(fd);
  };
  const auto contents = [&](std::string_view text) { return [&, text] { writeFile(file, text); }; };
  const struct {
    const char* what;
    std::function<void()> make;
    std::string printed;
    bool read = false;
  } cases[] = {
      {"no file", [] {}, access},
      {"FIFO without a writer", [&] { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); }, access},
      {"sparse file over the size limit", sparse, access},
      {"bad colour",
       contents(
           "<plist><dict><key>events</key><array/><key>persons</key><array><dict>"
           "<key>identifier</key><string>p</string><key>type</key><string>child</string><key>nick</key>"
           "<string>x</string><key>colorEncoded</key><string>word</string></dict></array></dict></plist>"),
       access + colour, true},
  };
  PrintingHooks hooks;
  for (const auto& c : cases) {
    std::filesystem::remove_all(file);
    c.make();
    EXPECT_EQ(readStore(directory.path()), std::pair(c.printed, c.read)) << c.what;
  }
  PrintingHooks refusing(false);
  EXPECT_EQ(readStore(directory.path()), std::pair(start + colour, true));
  // A file where the container should be: no location, so no access either.
  EXPECT_EQ(readStore(file).first, kNotFoundLines);
  EXPECT_EQ(printedAnd([&] { return payloadURL(FileManager(directory.path())); }),
            std::pair(std::string(), std::optional(file)));
}

TEST(FileManager, ReadsWholeFilesWithinALimitAndFindsTheContainerByPrecedence) {
  TemporaryDirectory directory;
  const auto file = directory.path() / "f";
  writeFile(file, "12345");
  EXPECT_EQ(readWholeFile(file, 5), (ByteBuffer{'1', '2', '3', '4', '5'}));
  EXPECT_FALSE(readWholeFile(file, 4));
  writeFile(file, "");
  EXPECT_EQ(readWholeFile(file, 0), ByteBuffer{});
  // Files under /proc report a size of 0 but have content; the read goes to the end regardless.
  EXPECT_GT(readWholeFile("/proc/self/status", 1 << 20).value_or(ByteBuffer{}).size(), 0u);
  EXPECT_FALSE(readWholeFile("/proc/self/status", 10));
  const auto home = directory.path() / "home", xdg = directory.path() / "xdg";
  const auto configured = directory.path() / "configured", given = directory.path() / "given";
  const std::string group(kAppGroupIdentifier);
  for (const auto& dir : {home / ".local/share" / group, xdg / group, configured, given})
    std::filesystem::create_directories(dir);
  const ScopedEnv homeVariable("HOME", nullptr), xdgVariable("XDG_DATA_HOME", nullptr),
      container("REMINDERS_WIDGET_CONTAINER", nullptr);
  // The variables REMINDERS_WIDGET_CONTAINER, XDG_DATA_HOME and HOME, and the container found.
  const std::tuple<const char*, const char*, const char*, std::optional<std::filesystem::path>> cases[] = {
      {configured.c_str(), xdg.c_str(), home.c_str(), configured},
      {"", xdg.c_str(), home.c_str(), xdg / group},
      {"", nullptr, home.c_str(), home / ".local/share" / group},
      {"", "relative/dir", home.c_str(), home / ".local/share" / group},  // not absolute: ignored
      {"", "", nullptr, std::nullopt},
      {"/nonexistent/configured", xdg.c_str(), home.c_str(), std::nullopt},  // no falling back
  };
  for (const auto& [containerValue, xdgValue, homeValue, found] : cases) {
    container.set(containerValue);
    xdgVariable.set(xdgValue);
    homeVariable.set(homeValue);
    EXPECT_EQ(FileManager::fromEnvironment(std::nullopt).containerURL(group), found)
        << containerValue << xdgValue;
  }
  EXPECT_EQ(FileManager::fromEnvironment(given).containerURL(group), given);
  EXPECT_FALSE(FileManager::fromEnvironment(directory.path() / "absent").containerURL(group));
  // The lookup names the app group's own directory, which must exist.
  EXPECT_FALSE(FileManager().containerURL("group.other"));
}

// The direct readers against the property-list tree: never a different answer.
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
  return {text.begin(), text.end()};
}

PayloadDecoding throughTree(const Bytes& bytes) {
  const auto parsed = plist::parse(bytes);
  if (!parsed) return Failure{"not a property list: " + parsed.error().reason};
  return decodePayload(*parsed);
}

// Decodes `bytes` with the direct reader of their form; nothing when it hands the file on.
std::optional<RemindersWidgetPayload> directly(const Bytes& bytes, detail::DecodingThreads threads = {}) {
  RemindersWidgetPayload payload;
  payload.storage = std::make_shared<PayloadStorage>();
  const bool binary = bytes.size() >= 8 && std::equal(bytes.begin(), bytes.begin() + 8, "bplist00");
  const bool decoded = binary ? detail::decodeBinaryPayloadDirectly(bytes, payload, nullptr, threads)
                              : detail::decodeXmlPayloadDirectly(bytes, payload);
  if (!decoded) return std::nullopt;
  return payload;
}

auto contentsOf(const RemindersWidgetPayload& payload) {
  return std::tie(payload.events, payload.persons);
}

void expectAgreement(const Bytes& bytes, const std::string& what) {
  const PayloadDecoding tree = throughTree(bytes);
  if (const auto direct = directly(bytes)) {
    ASSERT_TRUE(tree) << what << ": the direct reader accepted what the tree refuses";
    EXPECT_EQ(contentsOf(*direct), contentsOf(*tree)) << what;
  }
  const PayloadDecoding whole = decodePayload(std::span<const std::uint8_t>(bytes));
  ASSERT_EQ(whole.has_value(), tree.has_value()) << what;
  EXPECT_TRUE(whole ? contentsOf(*whole) == contentsOf(*tree) : whole.error() == tree.error())
      << what << ": " << (whole ? "" : whole.error().reason);
}

// Non-ASCII, XML's own characters, empty texts, shared persons, fractions of seconds, URLs.
RemindersWidgetPayload variedPayload(unsigned seed, int eventCount, bool wholeSeconds) {
  std::mt19937 random(seed);
  const std::vector<std::string> titles = {
      "Pick up",   "Übergabe",   "Fish & \"chips\" <today>", "", "Wycieczka \U0001F392", "a]]b",
      "tab\there", "line\nbreak"};
  RemindersWidgetPayload payload;
  const std::vector<std::string> people = {"C1", "C2", "B1", "B2", "Zoë"};
  for (std::size_t i = 0; i < people.size(); ++i)
    payload.persons.push_back({people[i], i < 2 ? CustodyPersonType::caregiver : CustodyPersonType::child,
                               "nick " + people[i], ColorEncoded{"183", static_cast<std::int64_t>(i)}});
  for (int i = 0; i < eventCount; ++i) {
    WidgetEventPayload e;
    e.identifier = payload.keep("E-" + std::to_string(random()));
    e.type = allCustodyEventTypes()[random() % 4];
    e.status = RawValues<CustodyEventStatus>::table[random() % 7].first;
    e.title = payload.keep(titles[random() % titles.size()]);
    e.caregiver = payload.keep(people[random() % people.size()]);
    std::vector<std::string_view> beneficiaries;
    for (unsigned n = random() % 3; n > 0; --n)
      beneficiaries.push_back(payload.keep(people[random() % people.size()]));
    e.beneficiaries = payload.keepList(beneficiaries);
    const double at = 800'000'000.0 + static_cast<double>(random() % 100'000'000);
    e.plannedDateFrom = Date{wholeSeconds ? at : at + 0.25};
    e.plannedDateTo = Date{at + 3600};
    e.dateFrom = Date{at - 60};
    e.dateTo = Date{at + 7200};
    e.dueAmountText = random() % 2 ? "125,00 €" : "";
    e.notes = random() % 3 ? "" : "Bring the signed form";
    if (random() % 3 == 0)
      e.actionURL = payload.keep(*URL::make("corvantis2://reminders/event/" + std::to_string(i)));
    payload.events.push_back(e);
  }
  return payload;
}

// The keys of one event in XML, every value in a plain form, its title the XML text `title`.
std::string xmlEvent(const std::string& title = "T") {
  const std::string date = "<date>2026-01-02T03:04:05Z</date>";
  return "<key>identifier</key><string>E1</string><key>type</key><string>care</string><key>status</key>"
         "<string>PLA</string><key>title</key><string>" +
         title +
         "</string><key>caregiver</key>"
         "<string>C1</string><key>beneficiaries</key><array/><key>plannedDateFrom</key>" +
         date + "<key>plannedDateTo</key>" + date + "<key>dateFrom</key>" + date + "<key>dateTo</key>" +
         date + "<key>dueAmountText</key><string/><key>notes</key><string></string>";
}

// A payload document of one event of the keys `event`, with `prolog` before it.
std::string xmlDocument(const std::string& event = xmlEvent(), const std::string& prolog = "") {
  return prolog + "<plist version=\"1.0\"><dict><key>events</key><array><dict>" + event +
         "</dict></array><key>persons</key><array/></dict></plist>";
}

// Threads take runs of consecutive events, each with caches and a storage of its own.
TEST(DirectDecoding, GivesTheSameAnswerAndBudgetWhateverThreadsShareTheEvents) {
  const auto original = variedPayload(11, 2000, false);
  const Bytes bytes = *writePayload(original, plist::Format::binary);
  // Its offset table spans many pages, which decoding gives back: the texts written last lie just before it.
  ASSERT_GT(bytes.size(), 64u * 1024);
  expectAgreement(bytes, "whole file");
  // Each decoded into a storage of its own, checked once the decoder and its threads are gone.
  for (const auto threads :
       std::vector<detail::DecodingThreads>{{1, 1}, {2, 1}, {2, 999}, {3, 600}, {4, 1}, {64, 1}}) {
    const auto direct = directly(bytes, threads);
    ASSERT_TRUE(direct) << threads.count << " threads of " << threads.minimumEvents << " events or more";
    EXPECT_EQ(contentsOf(*direct), contentsOf(original)) << threads.count << "/" << threads.minimumEvents;
  }
  // A damaged event in any run sends the whole file to the tree: a high byte in its ASCII identifier.
  for (const std::size_t damaged : {0u, 599u, 600u, 1199u, 1999u}) {
    Bytes damagedBytes = bytes;
    const auto at =
        std::string(damagedBytes.begin(), damagedBytes.end()).find(original.events[damaged].identifier);
    ASSERT_NE(at, std::string::npos);
    damagedBytes[at] = 0xC5;
    EXPECT_FALSE(directly(damagedBytes, {1, 1})) << damaged;
    EXPECT_FALSE(directly(damagedBytes, {3, 600})) << damaged;
    expectAgreement(damagedBytes, "event " + std::to_string(damaged) + " damaged");
  }
  // The tree's budget counts all runs together. Every event names one long title, charged again each time.
  const auto payloadOf = [](int eventCount) {
    RemindersWidgetPayload payload = variedPayload(5, eventCount, false);
    const std::string_view title = payload.keep(std::string(12'000, 't'));
    for (auto& event : payload.events)
      event.title = title;
    return *writePayload(payload, plist::Format::binary);
  };
  const Bytes half = payloadOf(2000), whole = payloadOf(4000);
  ASSERT_TRUE(throughTree(half)) << "the budget should take half the events";
  EXPECT_EQ(throughTree(whole).error().reason, "not a property list: object graph too large");
  EXPECT_TRUE(directly(half, {2, 1000}));
  EXPECT_FALSE(directly(whole, {2, 2000}));
  EXPECT_FALSE(directly(whole, {1, 1}));
}

// Files the direct readers hand to the tree: another writer's, unknown keys, XML of unusual or bad forms.
TEST(DirectDecoding, HandsUnusualFilesToTheTree) {
  const std::string event = xmlEvent();
  ASSERT_TRUE(directly(bytesOf(xmlDocument())));
  ASSERT_TRUE(directly(bytesOf(xmlDocument(xmlEvent("a &lt;b&gt; &amp; &#252;&#x1F392;")))));
  const auto fixture = [](const char* name) {
    return testing::readFile(testing::sourceDirectory() / "tests/payload/fixtures" / name);
  };
  // What a file is, the file, and whether the tree decodes it.
  const std::tuple<const char*, std::string, bool> cases[] = {
      {"another writer's binary", fixture("payload_binary.plist"), true},
      {"another writer's XML", fixture("payload_xml.plist"), true},
      {"unknown key", xmlDocument(event + "<key>extra</key><integer>1</integer>"), true},
      {"base URL",
       xmlDocument(event +
                   "<key>actionURL</key><dict><key>relative</key><string>e/1</string><key>base</key><dict>"
                   "<key>relative</key><string>corvantis2://reminders/</string></dict></dict>"),
       true},
      {"CDATA", xmlDocument(xmlEvent("<![CDATA[x]]>")), true},
      {"comment inside a text", xmlDocument(xmlEvent("a<!-- c -->b")), true},
      {"DOCTYPE with an internal subset", xmlDocument(event, "<!DOCTYPE plist [<!ELEMENT plist ANY>]>"),
       true},
      {"U+FFFE", xmlDocument(xmlEvent("a\xEF\xBF\xBE")), false},  // well-formed UTF-8, but no XML character
      {"overlong UTF-8", xmlDocument(xmlEvent("a\xC0\xAF")), false},
      {"undefined entity", xmlDocument(xmlEvent("&nbsp;")), false},
      {"unknown type", xmlDocument(xmlEvent("x</string><string>y")), false},
      {"bad date", xmlDocument(std::string(event).replace(event.find("03:04:05Z"), 9, "03:04:60Z")), false},
  };
  for (const auto& [what, file, treeDecodes] : cases) {
    const Bytes bytes = bytesOf(file);
    EXPECT_FALSE(directly(bytes)) << what;
    EXPECT_EQ(throughTree(bytes).has_value(), treeDecodes) << what;
    expectAgreement(bytes, what);
  }
}

TEST(DirectDecoding, FindsEveryStopInATextWhereverItFalls) {
  // Texts are scanned eight bytes at a time; each stop written, and what it reads as (none: the tree's).
  const std::string written[] = {"&amp;", "&#x20AC;", "&#252;", "\xC3\xBC", "]", "\x01", "\r", "]]>"};
  const std::string read[] = {"&", "\xE2\x82\xAC", "\xC3\xBC", "\xC3\xBC", "]", "", "", ""};
  for (std::size_t before = 0; before <= 17; ++before) {
    for (const std::size_t after : {0u, 1u, 7u, 8u, 9u}) {
      for (std::size_t stop = 0; stop < std::size(written); ++stop) {
        const std::string a(before, 'a'), z(after, 'z'), title = a + written[stop] + z;
        const Bytes bytes = bytesOf(xmlDocument(xmlEvent(title)));
        expectAgreement(bytes, title);
        const auto direct = directly(bytes);
        EXPECT_EQ(direct ? std::string(direct->events.at(0).title) : "",
                  read[stop].empty() ? "" : a + read[stop] + z)
            << title;
      }
    }
  }
}

TEST(DirectDecoding, ReportsAnUnusableColourOnceWhenTheTreeTakesOver) {
  // The persons' colour is reported, then the event's unknown key sends the file to the tree: not again.
  const std::string xml =
      "<plist version=\"1.0\"><dict><key>persons</key><array><dict><key>identifier</key><string>C1</string>"
      "<key>type</key><string>caregiver</string><key>nick</key><string>Ann</string><key>colorEncoded</key>"
      "<string>pickerIndex=1&amp;pickerVersion=182</string></dict></array><key>events</key><array><dict>" +
      xmlEvent() + "<key>surprise</key><true/></dict></array></dict></plist>";
  EXPECT_EQ(printedAnd([&] { return decodePayload(bytesOf(xml)).has_value(); }),
            std::pair(std::string("Invalid colorEncoded version\n"), true));
}

// A writer's files need no tree; random damage to them makes the readers no less agreed.
TEST(DirectDecoding, TakesWhatTheWriterWritesAndAgreesWithTheTreeOnDamage) {
  std::mt19937 random(42);
  for (const auto format : {plist::Format::binary, plist::Format::xml}) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
      const auto original = variedPayload(seed, static_cast<int>(seed * 7), format == plist::Format::xml);
      const auto bytes = writePayload(original, format).value();
      const auto direct = directly(bytes);
      ASSERT_TRUE(direct) << "seed " << seed << ": a written file needed the tree";
      EXPECT_EQ(contentsOf(*direct), contentsOf(original)) << seed;
      expectAgreement(bytes, "seed " + std::to_string(seed));
    }
    const auto original = *writePayload(variedPayload(9, 12, true), format);
    for (int round = 0; round < 1500 && !::testing::Test::HasFailure(); ++round) {
      Bytes bytes = original;
      for (int edits = 1 + static_cast<int>(random() % 4); edits > 0; --edits) {
        const auto at = static_cast<std::ptrdiff_t>(random() % bytes.size());
        const unsigned how = random() % 4;
        if (how == 0) bytes[at] = static_cast<std::uint8_t>(random());
        if (how == 1) bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        if (how == 2) bytes.erase(bytes.begin() + at);
        if (how == 3) bytes.insert(bytes.begin() + at, bytes[random() % bytes.size()]);
      }
      expectAgreement(
          bytes, (format == plist::Format::binary ? "binary round " : "xml round ") + std::to_string(round));
    }
  }
}

}  // namespace
}  // namespace rw
