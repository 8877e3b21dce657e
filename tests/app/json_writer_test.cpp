// The streaming JSON writer of the request answers: the same bytes as the program's other JSON
// (nlohmann's dump with an indent of 2), for layouts, numbers and texts of every kind.
#include "json_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace rw::app {
namespace {

using Json = nlohmann::ordered_json;

std::string written(double value) {
  JsonWriter out;
  out.number(value);
  return out.take();
}

std::string written(std::string_view text) {
  JsonWriter out;
  out.string(text);
  return out.take();
}

TEST(JsonWriter, LaysOutNestedValuesAsTheProgramsOtherJson) {
  JsonWriter out;
  out.beginObject();
  out.member("request", "timeline");
  out.key("empty object");
  out.beginObject();
  out.endObject();
  out.key("empty array");
  out.beginArray();
  out.endArray();
  out.key("entries");
  out.beginArray();
  for (std::int64_t i = 0; i < 2; ++i) {
    out.beginObject();
    out.member("count", i);
    out.key("nested");
    out.beginArray();
    out.integer(std::numeric_limits<std::int64_t>::min());
    out.integer(std::numeric_limits<std::int64_t>::max());
    out.null();
    out.beginArray();
    out.endArray();
    out.endArray();
    out.endObject();
  }
  out.endArray();
  out.key("policy");
  out.null();
  out.endObject();

  Json expected{{"request", "timeline"},
                {"empty object", Json::object()},
                {"empty array", Json::array()},
                {"entries", Json::array()},
                {"policy", nullptr}};
  for (std::int64_t i = 0; i < 2; ++i)
    expected["entries"].push_back(
        Json{{"count", i},
             {"nested", Json::array({std::numeric_limits<std::int64_t>::min(),
                                     std::numeric_limits<std::int64_t>::max(), nullptr, Json::array()})}});
  EXPECT_EQ(out.text(), expected.dump(2));

  // A lone value, and an empty document's containers.
  JsonWriter lone;
  lone.beginArray();
  lone.endArray();
  EXPECT_EQ(lone.take(), "[]");
}

TEST(JsonWriter, WritesNumbersWithADecimalAndNonFiniteOnesAsNull) {
  const struct {
    double value;
    const char* text;
  } cases[] = {{9.0, "9.0"},           {364.5, "364.5"},
               {-0.0, "-0.0"},         {1e16, "1e+16"},
               {0.00001, "1e-05"},     {0.0001, "0.0001"},
               {std::nan(""), "null"}, {std::numeric_limits<double>::infinity(), "null"}};
  for (const auto& c : cases)
    EXPECT_EQ(written(c.value), c.text) << c.value;
  // Whole numbers of every size, around the point where the library's form turns to an exponent, and
  // their neighbours that are not whole: the same text as the library's.
  std::vector<double> values;
  for (double whole = 1; whole < 1e18; whole *= 10)
    for (const double near : {whole - 1, whole, whole + 1, whole + 0.5, whole * 7 / 3})
      values.insert(values.end(), {near, -near});
  values.insert(values.end(), {0.0, 364.0, 382.0, 7.0, 999'999'999'999'999.0, 1e15, 9'007'199'254'740'993.0});
  for (const double value : values)
    EXPECT_EQ(written(value), Json(value).dump()) << value;
  // In place, after a key and as an element.
  JsonWriter out;
  out.beginArray();
  out.number(6.0);
  out.beginObject();
  out.key("rowSpacing");
  out.number(7.5);
  out.endObject();
  out.endArray();
  EXPECT_EQ(out.take(), Json::array({6.0, Json{{"rowSpacing", 7.5}}}).dump(2));
}

TEST(JsonWriter, EscapesTextsAsTheProgramsOtherJson) {
  std::string everyAscii;
  for (int c = 0; c < 0x80; ++c)
    everyAscii += static_cast<char>(c);
  const std::string cases[] = {
      "",
      everyAscii,
      "Übergabe am Bahnhof – Zoë",  // two- and three-byte characters
      "Wycieczka szkolna 🎒",        // four bytes
      "quote \" backslash \\ slash / tab \t",
      std::string("nul \0 inside", 12),
      "\x7f delete stays",
  };
  for (const auto& text : cases)
    EXPECT_EQ(written(text), Json(text).dump()) << text;
}

TEST(JsonWriter, FindsWhatNeedsEscapingAtEveryPlaceInTextsOfEveryLength) {
  // Plain text is passed over sixteen bytes at a time, and the end of a plain run by its last sixteen or
  // eight bytes: each byte that needs a look must be seen wherever it lies, in texts shorter and longer
  // than those groups, alone and with a second one after it.
  const std::string marks[] = {"\"", "\\",     "\n",  std::string(1, '\0'), "\x1f", "\x7f", " ",
                               "~",  "\u00e9", "\xff"};
  const auto expected = [](const std::string& text) {
    return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
  };
  for (const auto& mark : marks) {
    for (std::size_t length = 0; length <= 40; ++length) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::string text(length, 'a');
        text.insert(at, mark);
        ASSERT_EQ(written(text), expected(text))
            << "byte " << static_cast<int>(static_cast<unsigned char>(mark[0])) << " at " << at << " of "
            << length;
        for (std::size_t second = at + mark.size(); second <= text.size(); second += 7) {
          std::string twice = text;
          twice.insert(second, "\"");
          ASSERT_EQ(written(twice), expected(twice))
              << "marks at " << at << " and " << second << " of " << length;
        }
      }
    }
  }
}

TEST(JsonWriter, ReplacesIllFormedUtf8WithOneReplacementPerMaximalSubpart) {
  const std::string cases[] = {
      "\xff",   // never in UTF-8
      "a\xc3",  // truncated at the end
      "\xe2\x82"
      "A",                 // truncated before an ASCII letter: one replacement
      "\xc0\xaf",          // overlong: two
      "\xed\xa0\x80",      // a surrogate: three
      "\xf4\x90\x80\x80",  // above U+10FFFF: four
      "\x80\x80",          // stray continuation bytes
      "\xf0\x9f\x8e",      // a four-byte character cut short
      "ok \xe2\x82\xac",   // well-formed: the euro sign
  };
  for (const auto& text : cases) {
    // nlohmann refuses such text unless told to replace it; the writer always replaces it.
    EXPECT_EQ(written(text), Json(text).dump(-1, ' ', false, Json::error_handler_t::replace));
    EXPECT_TRUE(Json::accept(written(text))) << text;
  }
  EXPECT_EQ(written("\xe2\x82"
                    "A"),
            "\"\xEF\xBF\xBD"
            "A\"");
}

TEST(JsonWriter, StreamsTheSameTextInBoundedPieces) {
  const auto document = [](JsonWriter& out) {
    out.beginArray();
    for (std::int64_t i = 0; i < 500; ++i) {
      out.beginObject();
      out.member("index", i);
      out.member("title", "Übergabe am Bahnhof \"Süd\"");
      out.endObject();
    }
    out.endArray();
  };
  JsonWriter whole;
  document(whole);

  std::string streamed;
  std::size_t pieces = 0;
  std::size_t largest = 0;
  JsonWriter out(
      [&](std::string_view piece) {
        streamed.append(piece);
        ++pieces;
        largest = std::max(largest, piece.size());
      },
      256);
  document(out);
  EXPECT_LT(out.text().size(), 256 + 64u);  // what is left until the flush
  out.flush();
  EXPECT_EQ(streamed, whole.text());
  EXPECT_GT(pieces, 10u);
  EXPECT_LT(largest, 256 + 64u);  // a chunk plus at most one value
  out.flush();                    // nothing left: no empty piece
  EXPECT_EQ(streamed, whole.text());
}

TEST(JsonWriter, ARecordedValueCopiedLaterReadsAsIfWrittenAgain) {
  // A value recorded deep in a document, then copied at the same depth elsewhere (after the first item of
  // another array, so with a separator), while small chunks are flushed all along: the text is the one of
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
    for (int day = 0; day < 6; ++day) {
      out.beginObject();
      out.member("day", std::int64_t{day});
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

  std::string streamed;
  JsonWriter copied([&](std::string_view piece) { streamed.append(piece); }, 16);
  document(copied, true);
  copied.flush();
  EXPECT_EQ(streamed, fresh.text());
}

}  // namespace
}  // namespace rw::app
