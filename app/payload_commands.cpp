// payload: decode the stored payload as the widget does and write it as JSON.
// payload encode: write a payload file from that JSON form.
// payload check: read a payload file as the widget does and say what is wrong with it, or what it holds.
//
// Exit statuses: 0 done; 1 the payload could not be read (the store's lines are on standard output) or a
// file could not be read or written (one line on standard error); 2 a command line or JSON input that
// cannot be used (one line on standard error).

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "commands.h"
#include "payload/payload_coding.h"
#include "payload/store.h"
#include "payload_json.h"
#include "platform/file_output.h"
#include "platform/messages.h"
#include "reminders/reminder_component.h"

namespace rw::app {
namespace {

struct DecodeOptions {
  std::string container;  // empty: $REMINDERS_WIDGET_CONTAINER, else the default container
  std::string output;     // "-": standard output
};

struct CheckOptions {
  std::string container;
  std::string file;  // empty: reminders.plist in the container
};

struct EncodeOptions {
  std::string input;
  std::string output;
  std::string format = "binary";
};

[[noreturn]] void failFile(const std::string& what, const std::filesystem::path& path) {
  exitWith(Failure{"cannot " + what + " '" + path.string() + "'"});
}

// Writes `bytes` to the output `path` through `replaceFile` (platform/file_output.h): a reader of a
// regular file (the widget reading the container) sees either the old file or the whole new one, never a
// part; through a symbolic link the file it points to is replaced and the link stays; /dev/null, a pipe
// or a terminal is written in place.
void writeOutputFile(const std::filesystem::path& path, std::string_view bytes) {
  if (const auto written = replaceFile(path, bytes); !written) exitWith(written.error());
}

void decodeStored(const DecodeOptions& options) {
  if (options.output.empty()) throw UsageError("payload: -o FILE.json is required ('-': standard output)");
  const FileManager files = FileManager::fromEnvironment(
      options.container.empty() ? std::nullopt : std::optional<std::filesystem::path>(options.container));
  // Standard output is then the JSON alone: the system's lines go to standard error.
  if (options.output == "-") sendLinesToStandardError();
  const auto payload = payloadReadingAppGroup(files);
  if (!payload) throw Exit{1};  // the store has printed why, where there is a why to print

  // Texts from the reader are valid UTF-8; replacing, not throwing, keeps a bad one from losing the rest.
  const std::string text = toJson(*payload).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (options.output == "-") {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return;
  }
  writeOutputFile(options.output, text);
}

void encode(const EncodeOptions& options) {
  // The same refusals as the store's read: no directories or FIFOs, nothing above the size limit.
  const auto content = readWholeFile(options.input, kMaxPayloadFileSize);
  if (!content) failFile("read", options.input);
  const Json json = Json::parse(content->begin(), content->end(), nullptr, /*allow_exceptions=*/false);
  if (json.is_discarded()) throw UsageError(options.input + ": not valid JSON");
  const auto payload = payloadFromJson(json);
  if (!payload)
    throw UsageError(options.input + ": " + payload.error().where + ": " + payload.error().reason);

  const auto format = options.format == "xml" ? plist::Format::xml : plist::Format::binary;
  const auto bytes = writePayload(*payload, format);
  if (!bytes) failFile("encode a property list for", options.output);
  writeOutputFile(options.output,
                  std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

// "(identifier "E1")" for a failure inside events[i] or persons[i] whose identifier can be read, so the
// author finds the record by its identifier too.
std::string identifierAt(const plist::Value& root, std::string_view where) {
  for (const std::string_view list : {"events", "persons"}) {
    if (where.substr(0, list.size() + 1) != std::string(list) + "[") continue;
    const std::size_t close = where.find(']');
    std::size_t index = 0;
    for (std::size_t i = list.size() + 1; i < close; ++i)
      index = index * 10 + static_cast<std::size_t>(where[i] - '0');
    const auto* records = root.find(list) ? root.find(list)->get<plist::Array>() : nullptr;
    if (records == nullptr || index >= records->size()) return {};
    const auto* identifier = (*records)[index].find("identifier");
    const auto* text = identifier ? identifier->get<std::string>() : nullptr;
    return text ? " (identifier \"" + printable(*text) + "\")" : std::string();
  }
  return {};
}

// One line on what a readable payload holds: the counts, the dates' range, the links and the reminders the
// widget will not show.
std::string summaryOf(const RemindersWidgetPayload& payload) {
  std::size_t links = 0, relativeLinks = 0, noCaregiver = 0;
  std::optional<Date> first, last;
  for (const auto& event : payload.events) {
    for (const Date date : {event.plannedDateFrom, event.plannedDateTo, event.dateFrom, event.dateTo}) {
      if (!first || date < *first) first = date;
      if (!last || *last < date) last = date;
    }
    if (event.actionURL != nullptr) {
      ++links;
      if (event.actionURL->scheme().empty()) ++relativeLinks;
    }
    if (!ReminderTemplate(event, payload.persons).hasCaregiver()) ++noCaregiver;
  }
  const auto dateText = [](Date date) {
    const auto text = formatDateText(date);
    return text ? *text : std::to_string(date.sinceReferenceDate) + " s";
  };
  std::string line =
      std::to_string(payload.events.size()) + (payload.events.size() == 1 ? " event, " : " events, ") +
      std::to_string(payload.persons.size()) + (payload.persons.size() == 1 ? " person" : " persons");
  if (first) line += ", dates " + dateText(*first) + " to " + dateText(*last);
  line += ", " + std::to_string(links) + (links == 1 ? " link" : " links");
  if (relativeLinks > 0) line += " (" + std::to_string(relativeLinks) + " relative, not opened)";
  line += ", " + std::to_string(noCaregiver) + " skipped";
  if (noCaregiver > 0) line += " (caregiver not among the persons)";
  return line;
}

void check(const CheckOptions& options) {
  // Standard output holds the summary alone; the system's lines (colour texts) go to standard error.
  sendLinesToStandardError();
  std::filesystem::path path = options.file;
  if (path.empty()) {
    const FileManager files = FileManager::fromEnvironment(
        options.container.empty() ? std::nullopt : std::optional<std::filesystem::path>(options.container));
    const auto url = payloadURL(files);
    if (!url) throw Exit{1};  // the line about the container is printed
    path = *url;
  }
  const std::string name = printable(path.string());
  auto bytes = readWholeFile(path, kMaxPayloadFileSize);
  if (!bytes) exitWith(Failure{"no readable regular file of at most 1 GiB", name});
  const std::vector<std::uint8_t> copy(bytes->begin(), bytes->end());
  const auto decoded = decodePayload(std::move(*bytes));
  if (decoded) {
    std::printf("%s: readable: %s\n", name.c_str(), summaryOf(*decoded).c_str());
    return;
  }
  const auto tree = plist::parse(copy);
  if (!tree) {
    const Failure& damage = tree.error();
    exitWith(Failure{"not a property list: " + (damage.where.empty() ? "" : damage.where + ": ") +
                         printable(damage.reason),
                     name});
  }
  auto failures = checkPayload(*tree);
  if (failures.empty()) failures.push_back(decoded.error());
  for (const Failure& failure : failures) {
    const std::string where = failure.where.empty() ? "the root" : failure.where;
    printProblem(name + ": " + printable(where) + identifierAt(*tree, failure.where) + ": " +
                 printable(failure.reason));
  }
  throw Exit{1};
}

}  // namespace

void addPayloadCommands(CLI::App& app) {
  auto decodeOptions = std::make_shared<DecodeOptions>();
  CLI::App* payload = app.add_subcommand(
      "payload", "Decode reminders.plist from the shared container as the widget does and write it as JSON");
  payload->add_option("--container", decodeOptions->container,
                      "Container directory (default: $REMINDERS_WIDGET_CONTAINER, else "
                      "${XDG_DATA_HOME:-$HOME/.local/share}/group.org.corvantis.widgetkit)");
  payload->add_option("-o,--output", decodeOptions->output,
                      "Write the payload as JSON to FILE ('-': standard output)");

  auto encodeOptions = std::make_shared<EncodeOptions>();
  CLI::App* encodeCommand =
      payload->add_subcommand("encode", "Write a payload property-list file from its JSON form");
  encodeCommand
      ->add_option("input", encodeOptions->input, "The payload as JSON (the form `payload -o` writes)")
      ->required();
  encodeCommand->add_option("output", encodeOptions->output, "The property-list file to write")->required();
  encodeCommand->add_option("--format", encodeOptions->format, "binary (default) or xml")
      ->check(CLI::IsMember({"binary", "xml"}));
  encodeCommand->callback([encodeOptions] { encode(*encodeOptions); });

  auto checkOptions = std::make_shared<CheckOptions>();
  CLI::App* checkCommand = payload->add_subcommand(
      "check",
      "Read a payload file as the widget does: every reason it is refused, with its place, or what it holds");
  checkCommand->add_option("file", checkOptions->file, "The property-list file (default: the container's)");
  checkCommand->add_option("--container", checkOptions->container,
                           "Container directory whose reminders.plist to check (default: as for payload)");
  checkCommand->callback([checkOptions] { check(*checkOptions); });

  payload->callback([payload, encodeCommand, checkCommand, decodeOptions] {
    if (payload->got_subcommand(encodeCommand) || payload->got_subcommand(checkCommand)) return;
    decodeStored(*decodeOptions);
  });
}

}  // namespace rw::app
