// The streaming JSON writer of the request answers: the same bytes as the program's other JSON
// (nlohmann's dump with an indent of 2), for layouts, numbers and texts of every kind.
#include "json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

namespace rw::app {
namespace {

using Json = nlohmann::ordered_json;

std::string dumped(const Json& value, int indent = -1) {
  return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

std::string written(std::string_view text) {
  JsonWriter out;
  out.string(text);
  return out.take();
}

// Texts with every kind of byte: plain, escaped, multi-byte characters and ill-formed UTF-8.
// clang-format off
const std::string kPieces[] = {"a", "Übergabe am Bahnhof – Zoë ", "Wycieczka 🎒", "\"", "\\", "/", "\n\t",
                               std::string(1, '\0'), "\x1f", "\x7f", "\xff", "a\xc3", "\xe2\x82", "\xc0\xaf",
                               "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80\x80", "\xf0\x9f\x8e",
                               "0123456789abcdef"};
constexpr std::int64_t kIntegers[] = {0, -1, 7, std::numeric_limits<std::int64_t>::min(),
                                      std::numeric_limits<std::int64_t>::max()};
const double kNumbers[] = {9.0, 364.5, -0.0, 1e16, 0.00001, 0.0001, 7.0, 999'999'999'999'999.0,
                           9'007'199'254'740'993.0, std::nan(""), std::numeric_limits<double>::infinity()};
// clang-format on
const JsonWriter::Name kNames[] = {"request", "empty", "entries", "rowSpacing"};
const char* const kNameTexts[] = {"request", "empty", "entries", "rowSpacing"};

// Writes a random value of at most `depth` levels to `out` and returns it as the library's value.
Json generate(std::mt19937& random, JsonWriter& out, int depth) {
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  Json value;
  switch (depth > 0 ? pick(6) : 2 + pick(4)) {
    case 0:
      value = Json::object();
      out.beginObject();
      for (std::size_t i = 0, n = pick(5); i < n; ++i) {
        out.key(kNames[i]);
        value[kNameTexts[i]] = generate(random, out, depth - 1);
      }
      out.endObject();
      return value;
    case 1:
      value = Json::array();
      out.beginArray();
      for (std::size_t i = 0, n = pick(4); i < n; ++i)
        value.push_back(generate(random, out, depth - 1));
      out.endArray();
      return value;
    case 2:
      out.integer(value = kIntegers[pick(std::size(kIntegers))]);
      return value;
    case 3:
      out.number(value = kNumbers[pick(std::size(kNumbers))]);
      return value;
    case 4:
      value = "";
      for (std::size_t i = 0, n = pick(8); i < n; ++i)
        value.get_ref<std::string&>() += kPieces[pick(std::size(kPieces))];
      out.string(value.get_ref<const std::string&>());
      return value;
    default:
      out.null();
      return nullptr;
  }
}

TEST(JsonWriter, WritesGeneratedDocumentsAsTheLibraryDumpsThem) {
  std::mt19937 random(2026);
  for (int document = 0; document < 400; ++document) {
    JsonWriter out;
    const Json expected = generate(random, out, 4);
    ASSERT_EQ(out.take(), dumped(expected, 2)) << "document " << document;
  }
}

TEST(JsonWriter, WritesNumbersOfEverySizeAsTheLibrary) {
  // Whole numbers of every size, around the point where the library's form turns to an exponent, and
  // their neighbours that are not whole.
  std::vector<double> values(std::begin(kNumbers), std::end(kNumbers));
  for (double whole = 1; whole < 1e18; whole *= 10)
    for (const double near : {whole - 1, whole, whole + 1, whole + 0.5, whole * 7 / 3})
      values.insert(values.end(), {near, -near});
  for (const double value : values) {
    JsonWriter out;
    out.number(value);
    EXPECT_EQ(out.take(), Json(value).dump()) << value;
  }
  JsonWriter decimal;
  decimal.number(9.0);
  EXPECT_EQ(decimal.take(), "9.0");
}

TEST(JsonWriter, FindsWhatNeedsEscapingAtEveryPlaceInTextsOfEveryLength) {
  // Plain text is passed over sixteen bytes at a time, and the end of a plain run by its last sixteen or
  // eight bytes: each byte that needs a look must be seen wherever it lies, in texts shorter and longer
  // than those groups, alone and with a second one after it.
  const std::string marks[] = {"\"", "\\",     "\n",  std::string(1, '\0'), "\x1f", "\x7f", " ",
                               "~",  "\u00e9", "\xff"};
  for (const auto& mark : marks)
    for (std::size_t length = 0; length <= 40; ++length)
      for (std::size_t at = 0; at <= length; ++at) {
        std::string text(length, 'a');
        text.insert(at, mark);
        ASSERT_EQ(written(text), dumped(text))
            << "byte " << int(static_cast<unsigned char>(mark[0])) << " at " << at << " of " << length;
        for (std::size_t second = at + mark.size(); second <= text.size(); second += 7) {
          std::string twice = text;
          twice.insert(second, "\"");
          ASSERT_EQ(written(twice), dumped(twice))
              << "marks at " << at << " and " << second << " of " << length;
        }
      }
  // Ill-formed UTF-8: one replacement character per maximal subpart.
  EXPECT_EQ(written(std::string("\xe2\x82") + 'A'), std::string("\"\xEF\xBF\xBD") + "A\"");
  EXPECT_EQ(written("\xed\xa0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonWriter, StreamsAndCopiesTheSameTextInBoundedPieces) {
  // A value recorded deep in a document, then copied at the same depth elsewhere (after the first item of
  // another array, so with a separator), while chunks are flushed all along: the text is the one of
  // writing every value afresh, and a recording is never cut by a flush.
  const auto value = [](JsonWriter& out) {
    out.beginObject();
    out.member("title", "Übergabe am Bahnhof \"Süd\" mit einem langen Titel");
    out.key("persons");
    out.beginArray();
    out.string("Mum");
    out.endArray();
    out.endObject();
  };
  const auto document = [&](JsonWriter& out, bool copying) {
    std::string recorded;
    out.beginArray();
    for (std::int64_t day = 0; day < 200; ++day) {
      out.beginObject();
      out.member("day", day);
      out.key("items");
      out.beginArray();
      out.integer(day);
      if (!copying)
        value(out);
      else if (recorded.empty())
        recorded = std::string(out.recorded(value));
      else
        out.copy(recorded);
      out.endArray();
      out.endObject();
    }
    out.endArray();
  };
  JsonWriter fresh;
  document(fresh, false);
  for (const std::size_t chunk : {16u, 256u}) {
    SCOPED_TRACE(chunk);
    std::string streamed;
    std::size_t pieces = 0, largest = 0;
    JsonWriter out(
        [&](std::string_view piece) {
          streamed.append(piece);
          ++pieces;
          largest = std::max(largest, piece.size());
        },
        chunk);
    document(out, true);
    EXPECT_LT(out.text().size(), chunk + 256);  // what is left until the flush
    out.flush();
    const std::size_t flushed = pieces;
    out.flush();  // nothing left: no empty piece
    EXPECT_EQ(pieces, flushed);
    EXPECT_EQ(streamed, fresh.text());
    EXPECT_GT(pieces, 10u);
    EXPECT_LT(largest, chunk + 256);  // a chunk plus at most one value
  }
}

}  // namespace
}  // namespace rw::app
