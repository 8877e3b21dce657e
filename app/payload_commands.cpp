// payload: decode the stored payload as the widget does and write it as JSON.
// payload encode: write a payload file from that JSON form.
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

namespace rw::app {
namespace {

struct DecodeOptions {
  std::string container;  // empty: $REMINDERS_WIDGET_CONTAINER, else the default container
  std::string output;     // "-": standard output
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

  payload->callback([payload, encodeCommand, decodeOptions] {
    if (payload->got_subcommand(encodeCommand)) return;
    decodeStored(*decodeOptions);
  });
}

}  // namespace rw::app
