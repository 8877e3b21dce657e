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

Value everyXmlKind() {
  Dictionary kinds;
  kinds.emplace_back("false", false);
  kinds.emplace_back("true", true);
  kinds.emplace_back("min", Integer{std::numeric_limits<std::int64_t>::min()});
  kinds.emplace_back("max", Integer{std::numeric_limits<std::int64_t>::max()});
  kinds.emplace_back("unsigned", Integer{-1, true});
  kinds.emplace_back("real", 0.1);
  kinds.emplace_back("tiny", 5e-324);
  kinds.emplace_back("negativeZero", -0.0);
  kinds.emplace_back("infinity", -std::numeric_limits<double>::infinity());
  kinds.emplace_back("nan", std::numeric_limits<double>::quiet_NaN());
  kinds.emplace_back("date", Date{789'000'000});
  kinds.emplace_back("data", Data{{0, 1, 2, 253, 254, 255, 7}});
  kinds.emplace_back("longData", Data{std::vector<std::uint8_t>(200, 0xA5)});
  kinds.emplace_back("emptyData", Data{});
  kinds.emplace_back("empty", std::string());
  kinds.emplace_back("markup", std::string("<a href=\"x\">&amp; ]]> 'q'</a>"));
  kinds.emplace_back("whitespace", std::string("  two\r\nlines\t \n"));
  kinds.emplace_back("unicode", std::string("Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80"));
  kinds.emplace_back("array", Array{Integer{1}, std::string("two"), Array{}, Dictionary{}});
  kinds.emplace_back("k&<>\r", std::string("escaped key"));
  kinds.emplace_back("k&<>\r", std::string("repeated key"));
  return kinds;
}

TEST(XmlPlist, EveryValueKindRoundTrips) {
  const Value original = everyXmlKind();
  const auto file = write(original, Format::xml);
  ASSERT_TRUE(file);
  const Result<Value> read = parse(*file);
  ASSERT_TRUE(read) << read.error().reason;
  EXPECT_EQ(*read, original);
  EXPECT_EQ(*read->find("k&<>\r"), Value(std::string("repeated key")));
  // And through the binary form, which holds everything XML does.
  EXPECT_EQ(*parse(*write(*read, Format::binary)), original);
}

TEST(XmlPlist, WritesTheUsualLayout) {
  Dictionary value;
  value.emplace_back("name", std::string("a<b"));
  value.emplace_back("list", Array{Integer{-3}, 2.5, true, Array{}});
  value.emplace_back("when", Date{0.75});
  EXPECT_EQ(writtenText(value),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<plist version=\"1.0\">\n"
            "<dict>\n"
            "\t<key>name</key>\n"
            "\t<string>a&lt;b</string>\n"
            "\t<key>list</key>\n"
            "\t<array>\n"
            "\t\t<integer>-3</integer>\n"
            "\t\t<real>2.5</real>\n"
            "\t\t<true/>\n"
            "\t\t<array/>\n"
            "\t</array>\n"
            "\t<key>when</key>\n"
            "\t<date>2001-01-01T00:00:00Z</date>\n"
            "</dict>\n"
            "</plist>\n");
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

TEST(XmlPlist, DatesUseOnlyTheWholeSecondForm) {
  const Result<Value> read = parseText(document("<date>2026-01-02T03:04:05Z</date>"));
  ASSERT_TRUE(read) << read.error().reason;
  EXPECT_EQ(*read, Value(*parseRfc3339("2026-01-02T03:04:05Z")));
  EXPECT_TRUE(parseText(document("<date>0001-01-01T00:00:00Z</date>")));
  EXPECT_TRUE(parseText(document("<date>9999-12-31T23:59:59Z</date>")));
  for (const char* text :
       {"2026-01-02T03:04:05.5Z", "2026-01-02T03:04:05+01:00", "2026-01-02T03:04:05", "2026-01-02t03:04:05z",
        "2026-01-02 03:04:05Z", " 2026-01-02T03:04:05Z", "2026-01-02T03:04:60Z", "2026-02-30T00:00:00Z",
        "2026-13-01T00:00:00Z", "0000-12-31T23:59:59Z", "26-01-02T03:04:05Z", "", "yesterday"})
    EXPECT_EQ(failureOf(document("<date>" + std::string(text) + "</date>")), "bad date") << text;
  // Fractions are dropped when writing (rounding down), as the form has no place for them.
  EXPECT_EQ(writtenText(Value(Date{-0.25})).find("<date>2000-12-31T23:59:59Z</date>") != std::string::npos,
            true);
}

TEST(XmlPlist, ReadsNumbersInTheirUsualForms) {
  struct Case {
    const char* body;
    Value expected;
  };
  const Case cases[] = {
      {"<integer>42</integer>", Integer{42}},
      {"<integer> -42\n</integer>", Integer{-42}},
      {"<integer>+7</integer>", Integer{7}},
      {"<integer>0x1F</integer>", Integer{31}},
      {"<integer>-9223372036854775808</integer>", Integer{std::numeric_limits<std::int64_t>::min()}},
      {"<integer>18446744073709551615</integer>", Integer{-1, true}},
      {"<real>1.5</real>", 1.5},
      {"<real>1</real>", 1.0},
      {"<real>-2.5e-3</real>", -2.5e-3},
      {"<real>+infinity</real>", std::numeric_limits<double>::infinity()},
      {"<real>-inf</real>", -std::numeric_limits<double>::infinity()},
      {"<real>nan</real>", std::numeric_limits<double>::quiet_NaN()},
  };
  for (const Case& c : cases) {
    const Result<Value> read = parseText(document(c.body));
    ASSERT_TRUE(read) << c.body << ": " << read.error().reason;
    EXPECT_EQ(*read, c.expected) << c.body;
  }
  for (const char* body : {"<integer/>", "<integer>18446744073709551616</integer>",
                           "<integer>-9223372036854775809</integer>", "<integer>1.5</integer>",
                           "<integer>--1</integer>", "<integer>0x</integer>", "<integer>12abc</integer>"})
    EXPECT_EQ(failureOf(document(body)), "bad integer") << body;
  for (const char* body : {"<real/>", "<real>abc</real>", "<real>1e999</real>", "<real>1.5.2</real>"})
    EXPECT_EQ(failureOf(document(body)), "bad real") << body;
}

TEST(XmlPlist, ReadsBase64WithWhiteSpace) {
  const Result<Value> read = parseText(document("<data>\n\tAAEC\n\t/f7/\n\tBw==\n</data>"));
  ASSERT_TRUE(read) << read.error().reason;
  EXPECT_EQ(*read, Value(Data{{0, 1, 2, 253, 254, 255, 7}}));
  EXPECT_EQ(*parseText(document("<data>Bw</data>")), Value(Data{{7}}));  // padding may be left out
  EXPECT_EQ(*parseText(document("<data/>")), Value(Data{}));
  for (const char* body : {"<data>A</data>", "<data>AA=A</data>", "<data>AA===</data>", "<data>AA*A</data>"})
    EXPECT_EQ(failureOf(document(body)), "bad base64 data") << body;
}

TEST(XmlPlist, ReadsEmptyElementsAndEntities) {
  const Result<Value> read =
      parseText(document("<array><string/><string></string><dict/><array/"
                         "><string>&amp;&lt;&gt;&quot;&apos;&#233;&#x1F600;</string>"
                         "<string><![CDATA[<raw>]]></string></array>"));
  ASSERT_TRUE(read) << read.error().reason;
  EXPECT_EQ(*read, Value(Array{std::string(), std::string(), Dictionary{}, Array{},
                               std::string("&<>\"'\xC3\xA9\xF0\x9F\x98\x80"), std::string("<raw>")}));
}

TEST(XmlPlist, RefusesMalformedStructure) {
  struct Case {
    std::string text;
    const char* reason;
  };
  const Case cases[] = {
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
  };
  for (const Case& c : cases)
    EXPECT_EQ(failureOf(c.text), c.reason) << c.text;
  // Well-formedness is expat's: its message comes with the line.
  EXPECT_EQ(failureOf("<plist><array></plist>"), "line 1: mismatched tag");
  EXPECT_FALSE(parseText("not xml at all"));
}

TEST(XmlPlist, RefusesInvalidUtf8) {
  for (const char* text : {"a\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\x01"})
    EXPECT_FALSE(parseText(document("<string>" + std::string(text) + "</string>"))) << text;
}

Bytes utf16Document(std::u16string_view text, bool bigEndian) {
  Bytes out;
  const auto put = [&](char16_t unit) {
    out.push_back(static_cast<std::uint8_t>(bigEndian ? unit >> 8 : unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(bigEndian ? unit & 0xFF : unit >> 8));
  };
  put(0xFEFF);  // byte-order mark
  for (char16_t unit : text)
    put(unit);
  return out;
}

TEST(XmlPlist, ReadsUtf16WithAByteOrderMark) {
  const std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<plist version=\"1.0\"><dict><key>nick</key>"
      u"<string>Zo\u00eb \U0001F600</string></dict></plist>";
  Dictionary expected;
  expected.emplace_back("nick", std::string("Zo\xC3\xAB \xF0\x9F\x98\x80"));
  for (const bool bigEndian : {false, true}) {
    const Result<Value> read = parse(utf16Document(text, bigEndian));
    ASSERT_TRUE(read) << bigEndian << ": " << read.error().reason;
    EXPECT_EQ(*read, Value(expected));
  }
}

TEST(XmlPlist, RefusesLoneSurrogatesInUtf16) {
  for (const char16_t lone : {char16_t{0xD800}, char16_t{0xDFFF}}) {
    std::u16string text = u"<plist><string>a?b</string></plist>";
    text[16] = lone;
    for (const bool bigEndian : {false, true})
      EXPECT_EQ(parse(utf16Document(text, bigEndian)).error().reason, "invalid UTF-16") << bigEndian;
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

TEST(XmlPlist, RefusesEntityDeclarationsAndUnknownEntities) {
  struct Case {
    std::string text;
    const char* reason;
  };
  const std::string laughs =
      "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><plist><string>&c;</string></plist>";
  const Case cases[] = {
      {"<!DOCTYPE plist [<!ENTITY name \"value\">]><plist><string>&name;</string></plist>",
       "entity declarations are not allowed"},
      {"<!DOCTYPE plist [<!ENTITY name \"value\">]><plist><string>unused</string></plist>",
       "entity declarations are not allowed"},
      {"<!DOCTYPE plist [<!ENTITY file SYSTEM \"/etc/hostname\">]><plist><string>&file;</string></plist>",
       "entity declarations are not allowed"},
      {"<!DOCTYPE plist [<!ENTITY % dtd SYSTEM \"/etc/hostname\"> %dtd;]><plist><string>x</string></plist>",
       "entity declarations are not allowed"},
      {laughs, "entity declarations are not allowed"},
      {"<!DOCTYPE plist SYSTEM \"/etc/hostname\"><plist><string>&unknown;</string></plist>",
       "undefined entity unknown"},
      {document("<string>&unknown;</string>"), "line 3: undefined entity"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(failureOf(c.text), c.reason) << c.text;
}

std::string nestedArrays(int levels) {
  std::string body;
  for (int i = 0; i < levels; ++i)
    body += "<array>";
  for (int i = 0; i < levels; ++i)
    body += "</array>";
  return document(body);
}

TEST(XmlPlist, NestingIsLimitedTo512) {
  EXPECT_TRUE(parseText(nestedArrays(512)));
  EXPECT_EQ(failureOf(nestedArrays(513)), "nesting too deep");
  EXPECT_EQ(failureOf(nestedArrays(50'000)), "nesting too deep");

  Value deep = Dictionary{};
  for (int i = 1; i < 512; ++i)
    deep = Array{std::move(deep)};
  EXPECT_TRUE(parse(*write(deep, Format::xml)));
  EXPECT_FALSE(write(Value(Array{deep}), Format::xml));
}

TEST(XmlPlist, ParseTellsTheFormFromTheContent) {
  const Value value = Array{std::string("same"), Integer{1}};
  EXPECT_EQ(*parse(*write(value, Format::binary)), value);
  EXPECT_EQ(*parse(*write(value, Format::xml)), value);
  // The explicit readers insist on their own form.
  EXPECT_FALSE(parseXml(*write(value, Format::binary)));
  EXPECT_FALSE(parseBinary(*write(value, Format::xml)));
}

}  // namespace
}  // namespace rw::plist
