// generate-payloads: writes realistic payload files for the peer benchmark (bench/peers).
//
//   generate-payloads --out DIR --now 2026-12-07T09:30:00Z [--events 100,10000,...] [--check] [--force]
//
// For every event count N it writes DIR/N-binary/reminders.plist and DIR/N-xml/reminders.plist, so each
// file sits in a directory of its own that serves as the widget's container. The content is what the host
// application writes for a family over four years: 3 caregivers and 5 children whose uppercase UUID
// identifiers the events share, about a fifth of the titles outside ASCII, statuses mostly "PLA", expenses
// with an amount, some notes and about a tenth of the events with a link to themselves. A fixed seed makes
// the files the same on every machine for the same --now.
//
// --check reads every file it writes back from disk, decodes it as the widget does and compares it, record
// by record, with what was written; any difference ends with exit status 1.
//
// Each file gets a stamp beside its directory (DIR/N-FORM.stamp) naming the generator's version and --now,
// written once the file is complete (and, with --check, checked). A file whose stamp matches is kept as it
// is; any other file is made afresh. --force makes every file afresh.
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "payload/payload_coding.h"
#include "payload/records.h"
#include "platform/date.h"
#include "platform/url.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kSeed = 20261207;
constexpr double kDay = 86400.0;
// Raise whenever the generated content changes, so files made by an older generator are made afresh.
constexpr int kGeneratorVersion = 1;

std::string uuid(std::mt19937_64& random) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::uint64_t high = random();
  const std::uint64_t low = random();
  std::string text;
  text.reserve(36);
  for (int i = 0; i < 32; ++i) {
    const std::uint64_t word = i < 16 ? high : low;
    int nibble = static_cast<int>((word >> (4 * (15 - i % 16))) & 0xF);
    if (i == 12) nibble = 4;                   // version 4
    if (i == 16) nibble = 8 | (nibble & 0x3);  // RFC 4122 variant
    if (i == 8 || i == 12 || i == 16 || i == 20) text += '-';
    text += kHex[nibble];
  }
  return text;
}

// A whole number of seconds: the XML form keeps dates to the second, and the check compares exactly.
rw::Date wholeSeconds(double unixSeconds) {
  return rw::Date::fromUnixSeconds(static_cast<double>(static_cast<std::int64_t>(unixSeconds)));
}

constexpr std::array<std::string_view, 16> kAsciiTitles = {
    "Pick up from school",    "Soccer practice",         "Swimming lesson",
    "Pay for school lunch",   "Call about the holidays", "Dentist appointment",
    "Weekend with Dad",       "Weekend with Mum",        "Piano lesson",
    "Parent-teacher meeting", "Buy new winter boots",    "Sleepover at Emma's",
    "Doctor's check-up",      "Drop off at daycare",     "Birthday party gift",
    "Summer camp deposit",
};
// About one title in five: German, Polish, French, Spanish and Czech texts, and a few with emoji.
constexpr std::array<std::string_view, 8> kNonAsciiTitles = {
    "Übergabe am Bahnhof",  "Wycieczka szkolna 🎒", "Fête de l'école",       "Zahnarzt – Kontrolle",
    "Geburtstag von Zoë 🎂", "Łyżwy w sobotę",      "Señora García anrufen", "Kroužek vaření",
};
constexpr std::array<std::string_view, 6> kNotes = {
    "Bring the signed form and the swimming bag.",
    "Remember the medicine: 5 ml twice a day.",
    "Grandma picks up if I am late.",
    "Rechnung liegt im Ordner „Schule“.",
    "Pamiętaj o kurtce przeciwdeszczowej.",
    "Gate code 4711, second floor.",
};
constexpr std::array<std::string_view, 5> kAmountFormats = {"€%d.%02d", "%d,%02d zł", "$%d.%02d", "%d,%02d €",
                                                            "CHF %d.%02d"};

rw::RemindersWidgetPayload generatePayload(int eventCount, double nowUnix) {
  std::mt19937_64 random(kSeed);
  auto below = [&](std::uint64_t n) { return static_cast<int>(random() % n); };

  rw::RemindersWidgetPayload payload;
  constexpr std::array<std::string_view, 3> caregivers = {"Mum", "Dad", "Grandma Jadwiga"};
  constexpr std::array<std::string_view, 5> children = {"Zoë", "Lukas", "Mia", "Jonas", "Łucja"};
  int colour = 0;
  for (auto nick : caregivers)
    payload.persons.push_back({uuid(random), rw::CustodyPersonType::caregiver, std::string(nick),
                               rw::ColorEncoded{"183", colour++ * 2 % 15}});
  for (auto nick : children)
    payload.persons.push_back({uuid(random), rw::CustodyPersonType::child, std::string(nick),
                               rw::ColorEncoded{"183", colour++ * 2 % 15}});
  // The events share the persons' identifiers, as a writer shares repeated strings.
  std::vector<std::string_view> personIdentifiers;
  for (const auto& person : payload.persons)
    personIdentifiers.push_back(payload.keep(person.identifier));

  // Statuses: 85 % planned, the rest spread over the others (the empty text of a deleted event included).
  constexpr std::array<std::pair<rw::CustodyEventStatus, int>, 7> statusWeights = {{
      {rw::CustodyEventStatus::planned, 85},
      {rw::CustodyEventStatus::actual, 5},
      {rw::CustodyEventStatus::canceled, 4},
      {rw::CustodyEventStatus::unscheduled, 2},
      {rw::CustodyEventStatus::virtualSpot, 2},
      {rw::CustodyEventStatus::removedSpot, 1},
      {rw::CustodyEventStatus::permanentlyDeleted, 1},
  }};
  auto pickStatus = [&] {
    int roll = below(100);
    for (const auto& [status, weight] : statusWeights) {
      if (roll < weight) return status;
      roll -= weight;
    }
    return rw::CustodyEventStatus::planned;
  };

  // Dates over four years centred on now, on five-minute steps.
  const double firstStart = nowUnix - 2 * 365 * kDay;
  const auto steps = static_cast<std::uint64_t>(4 * 365 * kDay / 300);

  payload.events.reserve(static_cast<std::size_t>(eventCount));
  for (int i = 0; i < eventCount; ++i) {
    const int typeRoll = below(100);
    const auto type = typeRoll < 50   ? rw::CustodyEventType::care
                      : typeRoll < 70 ? rw::CustodyEventType::call
                      : typeRoll < 85 ? rw::CustodyEventType::expense
                                      : rw::CustodyEventType::memo;
    const double from = firstStart + 300.0 * static_cast<double>(random() % steps);
    double length = 0;
    switch (type) {
      case rw::CustodyEventType::care:
        length = 3600.0 * (1 + below(72));
        break;
      case rw::CustodyEventType::call:
        length = 900.0 * (1 + below(4));
        break;
      case rw::CustodyEventType::expense:
        length = 0;
        break;
      case rw::CustodyEventType::memo:
        length = below(2) * 1800.0;
        break;
    }
    const rw::CustodyEventStatus status = pickStatus();
    // Actual events were moved a little from their plan.
    const double shift = status == rw::CustodyEventStatus::actual ? 300.0 * (below(13) - 6) : 0.0;

    rw::WidgetEventPayload event;
    event.identifier = payload.keep(uuid(random));
    event.type = type;
    event.status = status;
    event.title = below(5) == 0 ? kNonAsciiTitles[static_cast<std::size_t>(below(8))]
                                : kAsciiTitles[static_cast<std::size_t>(below(16))];
    event.caregiver = personIdentifiers[static_cast<std::size_t>(below(3))];
    const int firstChild = 3 + below(5);
    std::vector<std::string_view> beneficiaries{personIdentifiers[static_cast<std::size_t>(firstChild)]};
    if (below(3) == 0)
      beneficiaries.push_back(
          personIdentifiers[static_cast<std::size_t>(3 + (firstChild - 3 + 1 + below(4)) % 5)]);
    event.beneficiaries = payload.keepList(beneficiaries);
    event.plannedDateFrom = wholeSeconds(from);
    event.plannedDateTo = wholeSeconds(from + length);
    event.dateFrom = wholeSeconds(from + shift);
    event.dateTo = wholeSeconds(from + length + shift);
    if (type == rw::CustodyEventType::expense) {
      char amount[32];
      std::snprintf(amount, sizeof amount, kAmountFormats[static_cast<std::size_t>(below(5))].data(),
                    5 + below(400), 5 * below(20));
      event.dueAmountText = payload.keep(amount);
    }
    if (below(4) == 0) event.notes = kNotes[static_cast<std::size_t>(below(6))];
    if (below(10) == 0)
      event.actionURL =
          payload.keep(*rw::URL::make("corvantis2://reminders/event/" + std::string(event.identifier)));
    payload.events.push_back(std::move(event));
  }
  return payload;
}

// Empty when `decoded` holds exactly `expected`, else what differs first.
std::string difference(const rw::RemindersWidgetPayload& expected,
                       const rw::RemindersWidgetPayload& decoded) {
  if (decoded.events.size() != expected.events.size())
    return std::to_string(decoded.events.size()) + " events instead of " +
           std::to_string(expected.events.size());
  if (decoded.persons.size() != expected.persons.size())
    return std::to_string(decoded.persons.size()) + " persons instead of " +
           std::to_string(expected.persons.size());
  for (std::size_t i = 0; i < expected.events.size(); ++i)
    if (expected.events[i] != decoded.events[i]) return "events[" + std::to_string(i) + "] differs";
  for (std::size_t i = 0; i < expected.persons.size(); ++i)
    if (expected.persons[i] != decoded.persons[i]) return "persons[" + std::to_string(i) + "] differs";
  return {};
}

std::optional<std::vector<std::uint8_t>> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Writes beside the target and renames, so an interrupted run never leaves a half file that a later run
// would take as made.
bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  const fs::path partial = path.string() + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  fs::rename(partial, path, error);
  return !error;
}

std::string readStamp(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::optional<std::vector<int>> parseCounts(std::string_view text) {
  std::vector<int> counts;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    int value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (error != std::errc{} || end != item.data() + item.size() || value < 0) return std::nullopt;
    counts.push_back(value);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
  }
  if (counts.empty()) return std::nullopt;
  return counts;
}

int usage(const char* message) {
  std::fprintf(stderr,
               "generate-payloads: %s\nusage: generate-payloads --out DIR --now RFC3339 "
               "[--events N,N,...] [--check] [--force]\n",
               message);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<fs::path> out;
  std::optional<double> now;
  std::string nowText;
  std::vector<int> counts = {100, 10'000, 100'000, 1'000'000};
  bool check = false;
  bool force = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--out" && hasValue) {
      out = argv[++i];
    } else if (arg == "--now" && hasValue) {
      nowText = argv[++i];
      const auto date = rw::parseRfc3339(nowText);
      if (!date) return usage("--now must be an RFC 3339 instant");
      now = date->unixSeconds();
    } else if (arg == "--events" && hasValue) {
      auto parsed = parseCounts(argv[++i]);
      if (!parsed) return usage("--events must be a comma-separated list of counts");
      counts = std::move(*parsed);
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--force") {
      force = true;
    } else {
      return usage(("unknown or incomplete option " + std::string(arg)).c_str());
    }
  }
  if (!out || !now) return usage("--out and --now are required");

  int failures = 0;
  for (int count : counts) {
    std::optional<rw::RemindersWidgetPayload> payload;  // made only when a file needs it
    for (auto format : {rw::plist::Format::binary, rw::plist::Format::xml}) {
      const char* formName = format == rw::plist::Format::binary ? "binary" : "xml";
      const fs::path path = *out / (std::to_string(count) + "-" + formName) / "reminders.plist";
      const fs::path stampPath = *out / (std::to_string(count) + "-" + formName + ".stamp");
      const std::string stamp = "generate-payloads " + std::to_string(kGeneratorVersion) + " seed " +
                                std::to_string(kSeed) + " now " + nowText;
      if (!force && fs::is_regular_file(path) && readStamp(stampPath) == stamp) {
        std::printf("%s: present, kept\n", path.c_str());
        continue;
      }
      std::error_code ignored;
      fs::remove(stampPath, ignored);
      if (!payload) payload = generatePayload(count, *now);
      const auto bytes = rw::writePayload(*payload, format);
      if (!bytes || !writeFile(path, *bytes)) {
        std::fprintf(stderr, "%s: could not be written: %s\n", path.c_str(), std::strerror(errno));
        ++failures;
        continue;
      }
      std::printf("%s: %zu bytes written\n", path.c_str(), bytes->size());
      if (check) {
        const auto reread = readFile(path);
        std::string problem;
        if (!reread) {
          problem = "unreadable";
        } else if (const auto decoded = rw::decodePayload(*reread); !decoded) {
          problem = "does not decode: " + decoded.error().reason + " at " + decoded.error().where;
        } else {
          problem = difference(*payload, *decoded);
        }
        if (!problem.empty()) {
          std::fprintf(stderr, "%s: check failed: %s\n", path.c_str(), problem.c_str());
          ++failures;
          continue;
        }
        std::printf("%s: decodes to the %d events and %zu persons written\n", path.c_str(), count,
                    payload->persons.size());
      }
      std::ofstream(stampPath) << stamp << '\n';
    }
  }
  std::fflush(stdout);
  return failures == 0 ? 0 : 1;
}
