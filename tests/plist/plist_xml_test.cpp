#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "payload/plist.h"
#include "plist/binary_builder.h"

namespace rw::plist {
namespace {

using testing::Bytes;
using testing::bytesOf;

Result<Value> parseText(std::string_view text) {
  return parse(bytesOf(text));
}

/// A document holding `body` as its value.
std::string document(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + std::string(body) +
         "\n</plist>\n";
}

std::string failureOf(std::string_view text) {
  const Result<Value> result = parseText(text);
  return result ? "(parsed)" : result.error().reason;
}

std::string writtenText(const Value& value) {
  const auto bytes = write(value, Format::xml);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "(not written)";
}

TEST(XmlPlist, WritesTheUsualLayout) {
  Dictionary value;
  value.emplace_back("name", std::string("a<b"));
  value.emplace_back("list", Array{Integer{-3}, 2.5, true, Array{}});
  value.emplace_back("when", Date{0.75});
  EXPECT_EQ(writtenText(value),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n\t<key>name</key>"
            "\n\t<string>a&lt;b</string>\n\t<key>list</key>\n\t<array>\n\t\t<integer>-3</integer>"
            "\n\t\t<real>2.5</real>\n\t\t<true/>\n\t\t<array/>\n\t</array>\n\t<key>when</key>"
            "\n\t<date>2001-01-01T00:00:00Z</date>\n</dict>\n</plist>\n");
}

TEST(XmlPlist, WritesOnlyWhatXmlCanHold) {
  EXPECT_FALSE(write(Value(Uid{1}), Format::xml));
  EXPECT_FALSE(write(Value(Array{Uid{1}}), Format::xml));
  EXPECT_FALSE(write(Value(Date{std::numeric_limits<double>::quiet_NaN()}), Format::xml));
  EXPECT_FALSE(write(Value(std::string("bell \x07")), Format::xml));     // no XML 1.0 character
  EXPECT_FALSE(write(Value(std::string("\xEF\xBF\xBE")), Format::xml));  // U+FFFE
  EXPECT_FALSE(write(Value(std::string("\xC3(")), Format::xml));         // not UTF-8
  Dictionary badKey;
  badKey.emplace_back(std::string("nul\0", 4), true);
  EXPECT_FALSE(write(Value(badKey), Format::xml));
}

TEST(XmlPlist, ReadsValuesInTheirUsualForms) {
  struct Case {
    const char* body;
    Value expected;
  };
  const Case cases[] = {
      {"<date>2026-01-02T03:04:05Z</date>", *parseRfc3339("2026-01-02T03:04:05Z")},
      {"<date>0001-01-01T00:00:00Z</date>", *parseRfc3339("0001-01-01T00:00:00Z")},
      {"<integer> -42\n</integer>", Integer{-42}},
      {"<integer>+7</integer>", Integer{7}},
      {"<integer>0x1F</integer>", Integer{31}},
      {"<integer>-9223372036854775808</integer>", Integer{std::numeric_limits<std::int64_t>::min()}},
      {"<integer>18446744073709551615</integer>", Integer{-1, true}},
      {"<real>1</real>", 1.0},
      {"<real>-2.5e-3</real>", -2.5e-3},
      {"<real>+infinity</real>", std::numeric_limits<double>::infinity()},
      {"<real>-inf</real>", -std::numeric_limits<double>::infinity()},
      {"<real>nan</real>", std::numeric_limits<double>::quiet_NaN()},
      {"<data>\n\tAAEC\n\t/f7/\n\tBw==\n</data>", Data{{0, 1, 2, 253, 254, 255, 7}}},
      {"<data>Bw</data>", Data{{7}}},  // padding may be left out
      {"<data/>", Data{}},
      {"<array><string/><string></string><dict/><array/><string>&amp;&lt;&gt;&quot;&apos;&#233;&#x1F600;</"
       "string>"
       "<string><![CDATA[<raw>]]></string></array>",
       Array{std::string(), std::string(), Dictionary{}, Array{},
             std::string("&<>\"'\xC3\xA9\xF0\x9F\x98\x80"), std::string("<raw>")}},
  };
  for (const Case& c : cases) {
    const Result<Value> read = parseText(document(c.body));
    ASSERT_TRUE(read) << c.body << ": " << read.error().reason;
    EXPECT_EQ(*read, c.expected) << c.body;
  }
  // Fractions are dropped when writing (rounding down), as the date form has no place for them.
  EXPECT_NE(writtenText(Value(Date{-0.25})).find("<date>2000-12-31T23:59:59Z</date>"), std::string::npos);
}

std::string nestedArrays(int levels) {
  std::string open, close;
  for (int i = 0; i < levels; ++i)
    open += "<array>", close += "</array>";
  return document(open + close);
}

TEST(XmlPlist, RefusesMalformedDocuments) {
  struct Case {
    std::string text;
    const char* reason;  // null: any
  };
  const auto value = [](const char* element, const char* text) {
    return document(std::string("<") + element + ">" + text + "</" + element + ">");
  };
  const char* kEntity = "entity declarations are not allowed";
  const Case cases[] = {
      {value("date", "2026-01-02T03:04:05.5Z"), "bad date"},
      {value("date", "2026-01-02T03:04:05+01:00"), "bad date"},
      {value("date", "2026-02-30T00:00:00Z"), "bad date"},
      {value("date", "+2026-01-02T03:04:05Z"), "bad date"},
      {value("date", ""), "bad date"},
      {document("<integer/>"), "bad integer"},
      {value("integer", "18446744073709551616"), "bad integer"},
      {value("integer", "-9223372036854775809"), "bad integer"},
      {value("integer", "0x"), "bad integer"},
      {value("integer", "12abc"), "bad integer"},
      {document("<real/>"), "bad real"},
      {value("real", "1e999"), "bad real"},
      {value("real", "1.5.2"), "bad real"},
      {value("data", "A"), "bad base64 data"},
      {value("data", "AA=A"), "bad base64 data"},
      {value("data", "AA==="), "bad base64 data"},
      {"<?xml version=\"1.0\"?><dict/>", "root element is not <plist>"},
      {document("<true/><false/>"), "more than one value in <plist>"},
      {document(""), "no value in <plist>"},
      {document("<array><key>k</key></array>"), "misplaced <key>"},
      {document("<dict><key>a</key><key>b</key></dict>"), "misplaced <key>"},
      {document("<dict><string>v</string></dict>"), "dictionary value without a key"},
      {document("<dict><key>k</key></dict>"), "key without a value"},
      {document("<array>loose text</array>"), "unexpected text"},
      {document("<true>yes</true>"), "unexpected text"},
      {document("<string><b>bold</b></string>"), "element <b> inside a value"},
      {document("<set/>"), "unknown element <set>"},
      {"", "line 1: no element found"},
      {"<plist><array></plist>", "line 1: mismatched tag"},  // well-formedness is expat's, with the line
      {value("string", "a\xC3"), nullptr},
      {value("string", "\xC0\x80"), nullptr},
      {value("string", "\xED\xA0\x80"), nullptr},
      {value("string", "\x01"), nullptr},
      {"<!DOCTYPE plist [<!ENTITY name \"value\">]><plist><string>unused</string></plist>", kEntity},
      {"<!DOCTYPE plist [<!ENTITY file SYSTEM \"/etc/hostname\">]><plist><string>&file;</string></plist>",
       kEntity},
      {"<!DOCTYPE plist [<!ENTITY % dtd SYSTEM \"/etc/hostname\"> %dtd;]><plist><string>x</string></plist>",
       kEntity},
      {"<!DOCTYPE plist SYSTEM \"/etc/hostname\"><plist><string>&unknown;</string></plist>",
       "undefined entity unknown"},
      {value("string", "&unknown;"), "line 3: undefined entity"},
      {nestedArrays(513), "nesting too deep"},
      {nestedArrays(50'000), "nesting too deep"},
  };
  for (const Case& c : cases) {
    const std::string failure = failureOf(c.text);
    EXPECT_NE(failure, "(parsed)") << c.text;
    if (c.reason) {
      EXPECT_EQ(failure, c.reason) << c.text;
    }
  }
  EXPECT_TRUE(parseText(nestedArrays(512)));
  Value deep = Dictionary{};
  for (int i = 1; i < 512; ++i)
    deep = Array{std::move(deep)};
  EXPECT_TRUE(parse(*write(deep, Format::xml)));
  EXPECT_FALSE(write(Value(Array{deep}), Format::xml));
}

// `text` in UTF-16 after a byte-order mark.
Bytes utf16Document(std::u16string_view text, bool bigEndian) {
  Bytes out;
  for (const char16_t unit : u"\uFEFF" + std::u16string(text)) {
    out.push_back(static_cast<std::uint8_t>(bigEndian ? unit >> 8 : unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(bigEndian ? unit & 0xFF : unit >> 8));
  }
  return out;
}

TEST(XmlPlist, ReadsUtf16WithAByteOrderMarkAndRefusesLoneSurrogates) {
  std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<plist><string>Zo\u00eb \U0001F600</string></plist>";
  for (const bool bigEndian : {false, true}) {
    const Result<Value> read = parse(utf16Document(text, bigEndian));
    ASSERT_TRUE(read) << bigEndian << ": " << read.error().reason;
    EXPECT_EQ(*read, Value(std::string("Zo\xC3\xAB \xF0\x9F\x98\x80")));
    for (const char16_t lone : {char16_t{0xD800}, char16_t{0xDFFF}}) {
      std::u16string damaged = text;
      damaged[damaged.find(u'\u00eb')] = lone;
      EXPECT_EQ(parse(utf16Document(damaged, bigEndian)).error().reason, "invalid UTF-16") << bigEndian;
    }
  }
}

TEST(XmlPlist, AcceptsADocumentTypeWithoutReadingIt) {
  // The external subset is never fetched: were it read, /etc/passwd would not parse as a DTD.
  for (const char* doctype :
       {"<!DOCTYPE plist PUBLIC \"-//Example//DTD PLIST 1.0//EN\" "
        "\"http://example.invalid/PropertyList-1.0.dtd\">",
        "<!DOCTYPE plist SYSTEM \"/etc/passwd\">", "<!DOCTYPE plist [<!ELEMENT plist ANY>]>"}) {
    const Result<Value> read = parseText("<?xml version=\"1.0\"?>" + std::string(doctype) +
                                         "<plist version=\"1.0\"><string>ok</string></plist>");
    ASSERT_TRUE(read) << doctype << ": " << read.error().reason;
    EXPECT_EQ(*read, Value(std::string("ok")));
  }
}

}  // namespace
}  // namespace rw::plist
