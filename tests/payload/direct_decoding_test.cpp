// The direct readers against the property-list tree: never a different answer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "payload/payload_coding.h"
#include "payload/payload_direct.h"
#include "support/test_support.h"

namespace rw {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
  return {text.begin(), text.end()};
}

std::string textOf(const Bytes& bytes) {
  return {bytes.begin(), bytes.end()};
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

// The keys of one event in XML, every value in a plain form.
const std::string kXmlEvent =
    "<key>identifier</key><string>E1</string><key>type</key><string>care</string>"
    "<key>status</key><string>PLA</string><key>title</key><string>T</string>"
    "<key>caregiver</key><string>C1</string><key>beneficiaries</key><array/>"
    "<key>plannedDateFrom</key><date>2026-01-02T03:04:05Z</date>"
    "<key>plannedDateTo</key><date>2026-01-02T03:04:05Z</date>"
    "<key>dateFrom</key><date>2026-01-02T03:04:05Z</date><key>dateTo</key><date>2026-01-02T03:04:05Z</date>"
    "<key>dueAmountText</key><string/><key>notes</key><string></string>";

// A payload document of one event of the keys `event`, with `prolog` before it.
std::string xmlDocument(const std::string& event, const std::string& prolog = "") {
  return prolog + "<plist version=\"1.0\"><dict><key>events</key><array><dict>" + event +
         "</dict></array><key>persons</key><array/></dict></plist>";
}

// A payload document of one event whose title is the XML text `title`.
std::string xmlWithTitle(const std::string& title) {
  std::string e = kXmlEvent;
  e.replace(e.find("<string>T</string>"), 18, "<string>" + title + "</string>");
  return xmlDocument(e);
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
    const auto at = textOf(damagedBytes).find(original.events[damaged].identifier);
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
  const std::string& event = kXmlEvent;
  ASSERT_TRUE(directly(bytesOf(xmlDocument(event))));
  ASSERT_TRUE(directly(bytesOf(xmlWithTitle("a &lt;b&gt; &amp; &#252;&#x1F392;"))));
  auto tree = encodePayload(variedPayload(3, 4, false));
  auto& events = std::get<plist::Array>(std::get<plist::Dictionary>(tree.storage)[0].second.storage);
  std::get<plist::Dictionary>(events[0].storage).emplace_back("extra", plist::Integer{1});
  const auto fixture = [](const char* name) {
    return testing::readFile(testing::sourceDirectory() / "tests/payload/fixtures" / name);
  };
  // What a file is, the file, and whether the tree decodes it.
  const std::tuple<const char*, std::string, bool> cases[] = {
      {"another writer's binary", fixture("payload_binary.plist"), true},
      {"another writer's XML", fixture("payload_xml.plist"), true},
      {"binary with an unknown key", textOf(*plist::write(tree, plist::Format::binary)), true},
      {"unknown key", xmlDocument(event + "<key>extra</key><integer>1</integer>"), true},
      {"base URL",
       xmlDocument(event +
                   "<key>actionURL</key><dict><key>relative</key><string>e/1</string><key>base</key><dict>"
                   "<key>relative</key><string>corvantis2://reminders/</string></dict></dict>"),
       true},
      {"CDATA", xmlWithTitle("<![CDATA[x]]>"), true},
      {"comment inside a text", xmlWithTitle("a<!-- c -->b"), true},
      {"reference to a carriage return", xmlWithTitle("a&#13;b"), true},
      {"DOCTYPE with an internal subset", xmlDocument(event, "<!DOCTYPE plist [<!ELEMENT plist ANY>]>"),
       true},
      {"U+FFFE", xmlWithTitle("a\xEF\xBF\xBE"), false},  // well-formed UTF-8, but no XML character
      {"overlong UTF-8", xmlWithTitle("a\xC0\xAF"), false},
      {"undefined entity", xmlWithTitle("&nbsp;"), false},
      {"unknown type", xmlWithTitle("x</string><string>y"), false},
      {"bad date", xmlDocument(std::string(event).replace(event.find("03:04:05Z"), 9, "03:04:60Z")), false},
      {"comment with --", xmlDocument(event, "<!-- a -- b -->"), false},
  };
  for (const auto& [what, file, treeDecodes] : cases) {
    const Bytes bytes = bytesOf(file);
    EXPECT_FALSE(directly(bytes)) << what;
    EXPECT_EQ(throughTree(bytes).has_value(), treeDecodes) << what;
    expectAgreement(bytes, what);
  }
}

TEST(DirectDecoding, FindsEveryStopInATextWhereverItFalls) {
  // Texts are scanned eight bytes at a time: a stop may fall on any byte of those, and be followed by more.
  // Each text written and what it reads as; none: the direct reader hands it to the tree.
  const std::string written[] = {"&amp;", "&#x20AC;", "\xC3\xBC", "]", "\x01", "\r", "]]>"};
  const std::string read[] = {"&", "\xE2\x82\xAC", "\xC3\xBC", "]", "", "", ""};
  for (std::size_t before = 0; before <= 17; ++before) {
    for (const std::size_t after : {0u, 1u, 7u, 8u, 9u}) {
      for (std::size_t stop = 0; stop < std::size(written); ++stop) {
        const std::string a(before, 'a'), z(after, 'z'), title = a + written[stop] + z;
        const Bytes bytes = bytesOf(xmlWithTitle(title));
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
  // The persons' colour is reported, then the event's unknown key sends the file to the tree, which must
  // not report it again.
  const std::string xml =
      "<plist version=\"1.0\"><dict><key>persons</key><array><dict><key>identifier</key><string>C1</string>"
      "<key>type</key><string>caregiver</string><key>nick</key><string>Ann</string><key>colorEncoded</key>"
      "<string>pickerIndex=1&amp;pickerVersion=182</string></dict></array><key>events</key><array><dict>" +
      kXmlEvent + "<key>surprise</key><true/></dict></array></dict></plist>";
  PayloadDecoding decoded;
  const std::string printed = testing::capturedStdout([&] { decoded = decodePayload(bytesOf(xml)); });
  EXPECT_TRUE(decoded);
  EXPECT_EQ(printed, "Invalid colorEncoded version\n");
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
