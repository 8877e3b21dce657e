#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "payload/plist.h"

namespace rw::plist {
namespace {

using Bytes = std::vector<std::uint8_t>;

Result<Value> parseText(std::string_view text) {
  return parse(Bytes(text.begin(), text.end()));
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

TEST(XmlPlist, WritesTheUsualLayoutAndOnlyWhatXmlCanHold) {
  Dictionary value;
  value.emplace_back("name", std::string("a<b"));
  value.emplace_back("list", Array{Integer{-3}, 2.5, true, Array{}});
  value.emplace_back("when", Date{0.75});
  EXPECT_EQ(writtenText(value),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n\t<key>name</key>"
            "\n\t<string>a&lt;b</string>\n\t<key>list</key>\n\t<array>\n\t\t<integer>-3</integer>"
            "\n\t\t<real>2.5</real>\n\t\t<true/>\n\t\t<array/>\n\t</array>\n\t<key>when</key>"
            "\n\t<date>2001-01-01T00:00:00Z</date>\n</dict>\n</plist>\n");
  // No UID, date that is no number, control character or U+FFFE (no XML 1.0 characters), text not UTF-8.
  for (const Value& unwritable :
       {Value(Uid{1}), Value(Array{Uid{1}}), Value(Date{std::nan("")}), Value(std::string("bell \x07")),
        Value(std::string("\xEF\xBF\xBE")), Value(std::string("\xC3(")),
        Value(Dictionary{{std::string("nul\0", 4), true}})})
    EXPECT_FALSE(write(unwritable, Format::xml));
}

TEST(XmlPlist, ReadsValuesInTheirUsualForms) {
  const std::pair<const char*, Value> cases[] = {
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
             std::string("&<>\"'\xC3\xA9\xF0\x9F\x98\x80"), std::string("<raw>")}}};
  for (const auto& [body, expected] : cases) {
    const Result<Value> read = parseText(document(body));
    ASSERT_TRUE(read) << body << ": " << read.error().reason;
    EXPECT_EQ(*read, expected) << body;
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

// Documents of each of `texts` inside `element`, or as their values when no element is given.
std::vector<std::string> documents(std::vector<std::string> texts, const std::string& element = "") {
  for (auto& text : texts)
    text = document(element.empty() ? text : "<" + element + ">" + text + "</" + element + ">");
  return texts;
}

TEST(XmlPlist, RefusesMalformedDocuments) {
  // Documents and the reason each is refused for; no reason: any.
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"bad date", documents({"2026-01-02T03:04:05.5Z", "2026-01-02T03:04:05+01:00", "2026-02-30T00:00:00Z",
                              "+2026-01-02T03:04:05Z", ""},
                             "date")},
      {"bad integer",
       documents({"", "18446744073709551616", "-9223372036854775809", "0x", "12abc"}, "integer")},
      {"bad real", documents({"", "1e999", "1.5.2"}, "real")},
      {"bad base64 data", documents({"A", "AA=A", "AA==="}, "data")},
      {"", documents({"a\xC3", "\xC0\x80", "\xED\xA0\x80", "\x01"}, "string")},
      {"root element is not <plist>", {"<?xml version=\"1.0\"?><dict/>"}},
      {"more than one value in <plist>", documents({"<true/><false/>"})},
      {"no value in <plist>", documents({""})},
      {"misplaced <key>",
       documents({"<array><key>k</key></array>", "<dict><key>a</key><key>b</key></dict>"})},
      {"dictionary value without a key", documents({"<dict><string>v</string></dict>"})},
      {"key without a value", documents({"<dict><key>k</key></dict>"})},
      {"unexpected text", documents({"<array>loose text</array>", "<true>yes</true>"})},
      {"element <b> inside a value", documents({"<string><b>bold</b></string>"})},
      {"unknown element <set>", documents({"<set/>"})},
      // Well-formedness is expat's, with the line.
      {"line 1: no element found", {""}},
      {"line 1: mismatched tag", {"<plist><array></plist>"}},
      {"entity declarations are not allowed",
       {"<!DOCTYPE plist [<!ENTITY name \"value\">]><plist><string>unused</string></plist>",
        "<!DOCTYPE plist [<!ENTITY file SYSTEM \"/etc/hostname\">]><plist><string>&file;</string></plist>",
        "<!DOCTYPE plist [<!ENTITY % dtd SYSTEM \"/etc/hostname\"> "
        "%dtd;]><plist><string>x</string></plist>"}},
      {"undefined entity unknown",
       {"<!DOCTYPE plist SYSTEM \"/etc/hostname\"><plist><string>&unknown;</string></plist>"}},
      {"line 3: undefined entity", documents({"&unknown;"}, "string")},
      {"nesting too deep", {nestedArrays(513), nestedArrays(50'000)}}};
  for (const auto& [reason, texts] : cases) {
    for (const std::string& text : texts) {
      const std::string failure = failureOf(text);
      EXPECT_NE(failure, "(parsed)") << text;
      EXPECT_TRUE(!*reason || failure == reason) << text << ": " << failure;
    }
  }
  EXPECT_TRUE(parseText(nestedArrays(512)));
  Value deep = Dictionary{};
  for (int i = 1; i < 512; ++i)
    deep = Array{std::move(deep)};
  EXPECT_TRUE(parse(*write(deep, Format::xml)));
  EXPECT_FALSE(write(Value(Array{deep}), Format::xml));
}

// A document type's external subset is never fetched: /etc/passwd would not parse as a DTD.
TEST(XmlPlist, ReadsUtf16AndDocumentTypesWithoutFetchingThem) {
  const auto utf16 = [](const std::u16string& text, bool bigEndian) {
    Bytes out;
    for (const char16_t unit : u"\uFEFF" + text)
      out.insert(out.end(), {static_cast<std::uint8_t>(bigEndian ? unit >> 8 : unit & 0xFF),
                             static_cast<std::uint8_t>(bigEndian ? unit & 0xFF : unit >> 8)});
    return out;
  };
  std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<plist><string>Zo\u00eb \U0001F600</string></plist>";
  for (const bool bigEndian : {false, true}) {
    const Result<Value> read = parse(utf16(text, bigEndian));
    ASSERT_TRUE(read) << bigEndian << ": " << read.error().reason;
    EXPECT_EQ(*read, Value(std::string("Zo\xC3\xAB \xF0\x9F\x98\x80")));
    for (const char16_t lone : {char16_t{0xD800}, char16_t{0xDFFF}}) {
      std::u16string damaged = text;
      damaged[damaged.find(u'\u00eb')] = lone;
      EXPECT_EQ(parse(utf16(damaged, bigEndian)).error().reason, "invalid UTF-16") << bigEndian;
    }
  }
  for (const char* doctype :
       {"<!DOCTYPE plist PUBLIC \"-//Example//DTD PLIST 1.0//EN\" \"http://example.invalid/x.dtd\">",
        "<!DOCTYPE plist SYSTEM \"/etc/passwd\">", "<!DOCTYPE plist [<!ELEMENT plist ANY>]>"}) {
    const Result<Value> read =
        parseText("<?xml version=\"1.0\"?>" + std::string(doctype) + "<plist><string>ok</string></plist>");
    ASSERT_TRUE(read) << doctype << ": " << read.error().reason;
    EXPECT_EQ(*read, Value(std::string("ok")));
  }
}

}  // namespace
}  // namespace rw::plist
