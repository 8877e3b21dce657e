// The answers' JSON writer on arbitrary bytes: a text is written as the JSON library writes it (ill-formed
// UTF-8 replaced, one U+FFFD per maximal subpart, as the library's replacing mode does), byte for byte.
// The text is written after a key in an object, by a writer that keeps its text and by one that hands every
// value to its sink at once, and the input is also split at its first zero byte into two texts in an array,
// so plain runs end anywhere after an escape.
#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "json_writer.h"

namespace {

using Json = nlohmann::ordered_json;

std::string expected(const Json& value) {
  return value.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  rw::app::JsonWriter kept;
  kept.beginObject();
  kept.key("text");
  kept.string(text);
  kept.endObject();
  if (kept.take() != expected(Json{{"text", text}})) __builtin_trap();

  std::string streamed;
  rw::app::JsonWriter sink([&](std::string_view piece) { streamed += piece; }, 1);
  const std::size_t cut = std::min(text.find('\0'), text.size());
  sink.beginArray();
  sink.string(std::string_view(text).substr(0, cut));
  sink.string(std::string_view(text).substr(cut));
  sink.endArray();
  sink.flush();
  if (streamed != expected(Json::array({text.substr(0, cut), text.substr(cut)}))) __builtin_trap();
  return 0;
}
