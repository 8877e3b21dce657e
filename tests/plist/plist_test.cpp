#include "payload/plist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>

#include "support/binary_plist.h"
#include "support/test_support.h"

namespace rw::plist {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::uint64_t kAll = ~std::uint64_t{0};
using namespace rw::testing;

Bytes bytesOf(std::string_view text) {
  return {text.begin(), text.end()};
}

void expectRead(const Bytes& file, const Value& expected, const std::string& what = "") {
  const Result<Value> read = parse(file);
  ASSERT_TRUE(read) << what << ": " << read.error().reason;
  EXPECT_EQ(*read, expected) << what;
}

// Each file of `cases` is refused, for the reason it is listed with (with none: for any reason).
template <typename Cases>
void expectRefused(const Cases& cases) {
  for (const auto& [reason, files] : cases) {
    for (const auto& file : files) {
      const Result<Value> result = parse(Bytes(file.begin(), file.end()));
      EXPECT_TRUE(!result && (!*reason || result.error().reason == reason))
          << reason << ": " << (result ? "parsed" : result.error().reason);
    }
  }
}

// `levels` arrays, each holding the next; the innermost is empty.
Bytes nestedArrays(std::uint64_t levels) {
  std::vector<Bytes> arrays;
  for (std::uint64_t i = 1; i <= levels; ++i)
    arrays.push_back(container(0xA, std::vector<std::uint64_t>(i < levels ? 1 : 0, i), 4));
  return fileOf(arrays, 4, 4);
}

// Values of every kind at their encodings' boundaries; UIDs and fractions of seconds for binary only.
Value randomValue(std::mt19937& random, int depth, bool binary) {
  constexpr std::int64_t integers[] = {0,          255,        256, 65535,     65536,
                                       4294967295, 4294967296, -1,  INT64_MIN, INT64_MAX};
  const double reals[] = {0.1, -0.0, 5e-324, 1e300, kInfinity, std::nan("")};
  const char* texts[] = {"", "plain", "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80",
                         "<a href=\"x\">&amp; ]]> 'q'</a>",
                         // Characters a reader might change or a writer must escape.
                         "k&<>\r", "\xC3\xBCn\xC3\xAF code key", "  two\r\nlines\t \n\t"};
  const unsigned kind = random() % (depth > 0 ? 9 : 7);
  if (kind == 0) return Value(random() % 2 == 0);
  if (kind == 1)
    return random() % 8 == 0 ? Value(Integer{-2, true}) : Value(Integer{integers[random() % 10]});
  if (kind == 2) return Value(reals[random() % 6]);
  if (kind == 3)
    return Date{static_cast<double>(static_cast<std::int64_t>(random() % 4'000'000'000u) - 2'000'000'000) +
                (binary ? 0.25 : 0)};
  if (kind == 4) {
    Data data{std::vector<std::uint8_t>(random() % 3 == 0 ? 200 : random() % 8)};
    std::ranges::generate(data.bytes, [&] { return static_cast<std::uint8_t>(random()); });
    return data;
  }
  if (kind == 5) return random() % 10 == 0 ? std::string(300, 'x') : std::string(texts[random() % 7]);
  if (kind == 6)
    return binary && random() % 3 == 0 ? Value(Uid{random() % 70000})
                                       : Value(std::string(texts[random() % 7]));
  Array array;
  Dictionary dictionary;  // keys repeat: the last one counts, and all are kept
  for (unsigned n = random() % 20; n > 0; --n) {
    if (kind == 7) array.push_back(randomValue(random, depth - 1, binary));
    if (kind == 8) dictionary.emplace_back(texts[random() % 7], randomValue(random, depth - 1, binary));
  }
  return kind == 7 ? Value(std::move(array)) : Value(std::move(dictionary));
}

TEST(PlistRoundTrip, RandomValuesReadBackInBothForms) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    for (const bool binary : {true, false}) {
      std::mt19937 random(seed);
      const Value original = randomValue(random, static_cast<int>(seed % 4), binary);
      const auto file = write(original, binary ? Format::binary : Format::xml).value();
      expectRead(file, original, std::to_string(seed) + (binary ? " binary" : " xml"));
      // The explicit readers insist on their own form.
      EXPECT_FALSE(binary ? parseXml(file) : parseBinary(file)) << seed;
    }
  }
}

// {"k": [1, "two", 3.0, <date>]} laid out with every pair of offset and reference widths.
TEST(BinaryPlist, ReadsEveryOffsetAndReferenceWidth) {
  const Value expected = Dictionary{{"k", Array{Integer{1}, std::string("two"), 3.0, Date{12.5}}}};
  for (unsigned offsetSize = 1; offsetSize <= 8; ++offsetSize) {
    for (unsigned refSize = 1; refSize <= 8; ++refSize) {
      expectRead(
          fileOf({container(0xD, {1, 2}, refSize), text(u"k"), container(0xA, {3, 4, 5, 6}, refSize),
                  number(1, 1, 1), text(u"two"), number(2, std::bit_cast<std::uint64_t>(3.0), 8), date(12.5)},
                 refSize, offsetSize),
          expected, std::to_string(offsetSize) + "/" + std::to_string(refSize));
    }
  }
  // Objects past 65536 bytes (after an unreferenced filler); offsets of 2 bytes cut them.
  const std::vector<Bytes> far = {container(0xA, {2, 3}, 1), Bytes(70'000, 0), text(u"far"),
                                  number(1, 0x1234, 2)};
  EXPECT_EQ(*parse(fileOf(far, 1, 3)), Value(Array{std::string("far"), Integer{0x1234}}));
  EXPECT_FALSE(parse(fileOf(far, 1, 2)));
}

TEST(BinaryPlist, ReadsEveryObjectEncoding) {
  const std::pair<Bytes, Value> cases[] = {
      // What plistlib's files lack: 16-byte integers (-2^63 .. 2^64-1), 4-byte reals.
      {fileOf({number(1, 5, 16)}), Integer{5}},
      {fileOf({number(1, kAll, 16, kAll)}), Integer{-1}},
      {fileOf({number(1, std::uint64_t{1} << 63, 16, kAll)}), Integer{INT64_MIN}},
      {fileOf({number(2, std::bit_cast<std::uint32_t>(1.5f), 4)}), 1.5},
      {fileOf({text(u"", true)}), std::string()},
      // 16 references, and a string of 15 in the long form legal for small counts too.
      {fileOf({container(0xA, std::vector<std::uint64_t>(16, 1), 1),
               text(std::u16string(15, u'b'), false, true)}),
       Array(16, Value(std::string(15, 'b')))}};
  for (const auto& [file, expected] : cases)
    expectRead(file, expected);
  // 16-byte numbers outside -2^63 .. 2^64-1, and widths that do not exist.
  for (const Bytes& object : {number(1, 0, 16, 1), number(1, 5, 16, kAll), Bytes{0x15, 0}, Bytes{0x17}})
    EXPECT_FALSE(parse(fileOf({object})));
}

TEST(BinaryPlist, WriterSharesEqualObjectsAndPicksNarrowForms) {
  Array events;
  for (int i = 0; i < 300; ++i)  // "notes" has the same text as "status": one object
    events.push_back(Dictionary{
        {"identifier", std::to_string(i)}, {"status", std::string("PLA")}, {"notes", std::string("PLA")}});
  const auto file = write(Value(events), Format::binary).value();
  const auto layout = [](const Bytes& written) {
    const Trailer trailer = trailerOf(written);
    return std::vector<std::uint64_t>{trailer.numObjects, trailer.refSize, trailer.offsetSize};
  };
  // The array, 300 dictionaries and identifiers, the keys and "PLA" once; references and offsets of 2 bytes.
  EXPECT_EQ(layout(file), (std::vector<std::uint64_t>{1 + 300 + 300 + 3 + 1, 2, 2}));
  EXPECT_EQ(*parse(file), Value(events));
  const auto small = write(Value(Array{std::string("ab"), std::string("\xC3\xA9")}), Format::binary).value();
  EXPECT_EQ(layout(small), (std::vector<std::uint64_t>{3, 1, 1}));
  // array (0xA2 + 2 refs), then "ab" as ASCII and "é" as one UTF-16 unit.
  const Bytes expected{0xA2, 1, 2, 0x52, 'a', 'b', 0x61, 0x00, 0xE9};
  EXPECT_EQ(Bytes(small.begin() + 8, small.begin() + 8 + expected.size()), expected);
  // 0xAF, then the count as a 4-byte integer (0x12), then 70 000 references of one byte.
  const auto large = write(Value(Array(70'000, Value(true))), Format::binary).value();
  EXPECT_EQ(Bytes(large.begin() + 8, large.begin() + 14), (Bytes{0xAF, 0x12, 0x00, 0x01, 0x11, 0x70}));
  // Dates keep their exact bits: marker 0x33, then the big-endian float64.
  for (const double seconds : {0.1, -1e-9, -0.0, 5e-324, 8.0e10, -6.3e10}) {
    const auto written = write(Value(Date{seconds}), Format::binary).value();
    EXPECT_EQ(Bytes(written.begin() + 8, written.begin() + 17), date(seconds)) << seconds;
    const auto bits = std::bit_cast<std::uint64_t>(parse(written)->get<Date>()->sinceReferenceDate);
    EXPECT_EQ(bits, std::bit_cast<std::uint64_t>(seconds)) << seconds;
  }
  // Nor dates that are no finite number, text that is not UTF-8, an encoded surrogate.
  for (const Value& value : {Value(Date{std::nan("")}), Value(Date{kInfinity}), Value(Date{-kInfinity}),
                             Value(std::string("\xC3")), Value(std::string("\xED\xA0\x80"))})
    EXPECT_FALSE(write(value, Format::binary));
}

TEST(BinaryPlist, RefusesDamagedTrailersObjectsAndTruncations) {
  const std::vector<Bytes> objects = {container(0xA, {1}, 1), text(u"x")};
  const auto refused = [&](const std::function<void(Trailer&)>& tamper) {
    return !parse(fileOf(objects, 1, 1, tamper));
  };
  EXPECT_FALSE(refused({}));
  for (const unsigned width : {0u, 9u}) {
    EXPECT_TRUE(refused([&](Trailer& t) { t.offsetSize = width; })) << width;
    EXPECT_TRUE(refused([&](Trailer& t) { t.refSize = width; })) << width;
  }
  for (const std::uint64_t count : {std::uint64_t{0}, std::uint64_t{3}, std::uint64_t{1} << 62})
    EXPECT_TRUE(refused([&](Trailer& t) { t.numObjects = count; })) << count;
  EXPECT_TRUE(refused([](Trailer& t) { t.topObject = 2; }));
  for (const std::uint64_t offset :
       {std::uint64_t{4}, std::uint64_t{1000}, kAll})  // in the header, past the end
    EXPECT_TRUE(refused([&](Trailer& t) { t.tableOffset = offset; })) << offset;
  std::mt19937 random(7);
  const auto file = write(randomValue(random, 3, true), Format::binary).value();
  for (std::size_t length = 0; length < file.size(); ++length)
    EXPECT_FALSE(parse(std::span(file.data(), length))) << length;
  std::vector<Bytes> exploding;  // each array holds the next one twice: 80 levels describe 2^80 values
  for (std::uint64_t i = 1; i <= 80; ++i)
    exploding.push_back(container(0xA, {i, i}, 1));
  exploding.push_back(text(u"leaf"));
  const auto offsetTo = [](std::uint8_t offset) {
    Bytes damaged = fileOf({container(0xA, {1}, 1), text(u"x")});
    damaged[trailerOf(damaged).tableOffset + 1] = offset;
    return damaged;
  };
  const std::pair<const char*, std::vector<Bytes>> cases[] = {
      {"object reference out of range",
       {fileOf({container(0xA, {1, 7}, 1), text(u"x")}),
        fileOf({container(0xA, {0x0100000000000001}, 8), text(u"x")}, 8)}},  // high bytes of a wide one
      {"object offset out of range", {offsetTo(3), offsetTo(60)}},  // into the header, the offset table
      {"object contains itself",
       {fileOf({container(0xA, {0}, 1)}),
        fileOf({container(0xD, {1, 2}, 1), text(u"k"), container(0xA, {0}, 1)})}},
      {"count larger than the file",
       {fileOf({marker(0x5, std::uint64_t{1} << 40)}), fileOf({marker(0x6, std::uint64_t{1} << 62)}),
        fileOf({marker(0xA, 1000)}), fileOf({marker(0xD, std::uint64_t{1} << 63)})}},
      {"dictionary key is not a string", {fileOf({container(0xD, {1, 1}, 1), number(1, 1, 1)})}},
      {"nesting too deep", {nestedArrays(513)}},
      {"date is not a finite number",
       {fileOf({date(std::nan(""))}), fileOf({date(kInfinity)}), fileOf({date(-kInfinity)})}},
      {"object graph too large", {fileOf(exploding)}},
      // Extended counts cut or no integer, null, odd widths, a set, lone surrogates, a high byte in ASCII.
      {"",
       {fileOf({{0x5F, 0x13, 0x00}}), fileOf({{0x5F, 0x23, 0, 0, 0, 0, 0, 0, 0, 1}}), fileOf({{0x00}}),
        fileOf({{0x34, 0, 0, 0, 0}}), fileOf({{0x21, 0, 0}}), fileOf({{0xC0}}),
        fileOf({{0x88, 0, 0, 0, 0, 0, 0, 0, 0, 1}}), fileOf({text(u"a\xD800", true)}),
        fileOf({text(u"\xDC00q", true)}), fileOf({{0x52, 'a', 0xE9}}),
        bytesOf("bplist00 and then some text that is not a trailer at all....")}}};
  expectRefused(cases);
  EXPECT_TRUE(parse(nestedArrays(512)));
}

// `find` takes the last occurrence of a key; NaN equals NaN (values read back equal those written).
TEST(PlistValue, FindAndEquality) {
  const Value value(
      Dictionary{{"status", std::string("first")}, {"other", Integer{1}}, {"status", std::string("last")}});
  EXPECT_EQ(value.find("status") ? *value.find("status") : Value(), Value(std::string("last")));
  for (const Value* none : {value.find("missing"), value.find("Status"), Value(Array{value}).find("status")})
    EXPECT_EQ(none, nullptr);
  const double kNaN = std::nan("");
  EXPECT_EQ(Value(Array{kNaN}), Value(Array{kNaN}));
  EXPECT_EQ(Value(0.0), Value(-0.0));
  for (const auto& [a, b] : {std::pair<Value, Value>{1.0, kNaN}, {1.0, Integer{1}}}) {
    EXPECT_NE(a, b);
    EXPECT_NE(b, a);
  }
}

std::string document(std::string_view body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + std::string(body) +
         "\n</plist>\n";
}

std::string writtenText(const Value& value) {
  const auto bytes = write(value, Format::xml);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "(not written)";
}

TEST(XmlPlist, WritesTheUsualLayoutAndOnlyWhatXmlCanHold) {
  Dictionary value;
  value.emplace_back("name", std::string("a<b"));
  value.emplace_back("list", Array{Integer{-3}, 2.5, true, Array{}, Data{{1, 2}}});
  value.emplace_back("when", Date{0.75});
  EXPECT_EQ(writtenText(value),
            document("<dict>\n\t<key>name</key>\n\t<string>a&lt;b</string>\n\t<key>list</key>\n\t<array>"
                     "\n\t\t<integer>-3</integer>\n\t\t<real>2.5</real>\n\t\t<true/>\n\t\t<array/>"
                     "\n\t\t<data>\n\t\tAQI=\n\t\t</data>\n\t</array>"
                     "\n\t<key>when</key>\n\t<date>2001-01-01T00:00:00Z</date>\n</dict>"));
  // No UID, date that is no number, control character or U+FFFE (no XML 1.0 characters), text not UTF-8.
  for (const Value& unwritable :
       {Value(Uid{1}), Value(Array{Uid{1}}), Value(Date{std::nan("")}), Value(std::string("bell \x07")),
        Value(std::string("\xEF\xBF\xBE")), Value(std::string("\xC3(")),
        Value(Dictionary{{std::string("nul\0", 4), true}})})
    EXPECT_FALSE(write(unwritable, Format::xml));
}

// The integers' extremes and plain dates are read in plistlib's files (PlistlibFixtures below).
TEST(XmlPlist, ReadsValuesInTheirUsualForms) {
  const std::pair<const char*, Value> cases[] = {
      {"<date>0001-01-01T00:00:00Z</date>", *parseRfc3339("0001-01-01T00:00:00Z")},
      {"<integer> -42\n</integer>", Integer{-42}},
      {"<integer>+7</integer>", Integer{7}},
      {"<integer>0x1F</integer>", Integer{31}},
      {"<real>-2.5e-3</real>", -2.5e-3},
      {"<real>+infinity</real>", kInfinity},
      {"<real>-inf</real>", -kInfinity},
      {"<real>nan</real>", std::nan("")},
      {"<data>\n\tAAEC\n\t/f7/\n\tBw==\n</data>", Data{{0, 1, 2, 253, 254, 255, 7}}},
      {"<data>Bw</data>", Data{{7}}},  // padding may be left out
      {"<data/>", Data{}},
      {"<array><string/><string></string><dict/><array/><string><![CDATA[<raw>]]></string>"
       "<string>&amp;&lt;&gt;&quot;&apos;&#233;&#x1F600;</string></array>",
       Array{std::string(), std::string(), Dictionary{}, Array{}, std::string("<raw>"),
             std::string("&<>\"'\xC3\xA9\xF0\x9F\x98\x80")}}};
  for (const auto& [body, expected] : cases)
    expectRead(bytesOf(document(body)), expected, body);
  // Fractions are dropped when writing (rounding down), as the date form has no place for them.
  EXPECT_EQ(writtenText(Date{-0.25}), document("<date>2000-12-31T23:59:59Z</date>"));
}

std::string nestedXmlArrays(int levels) {
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
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"bad date",
       documents({"2026-01-02T03:04:05.5Z", "2026-01-02T03:04:05+01:00", "2026-02-30T00:00:00Z", ""},
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
      {"nesting too deep", {nestedXmlArrays(513), nestedXmlArrays(50'000)}}};
  expectRefused(cases);
  EXPECT_TRUE(parse(bytesOf(nestedXmlArrays(512))));
  // Writers of both forms stop at the same depth, arrays and dictionaries counting alike.
  Value deep = Array{};
  for (int i = 1; i < 512; ++i)
    deep = i % 2 ? Value(Array{std::move(deep)}) : Value(Dictionary{{"k", std::move(deep)}});
  for (const Format format : {Format::binary, Format::xml}) {
    const auto file = write(deep, format).value();
    EXPECT_EQ(*parse(file), deep);
    EXPECT_FALSE(write(Value(Array{deep}), format));
  }
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
    expectRead(utf16(text, bigEndian), std::string("Zo\xC3\xAB \xF0\x9F\x98\x80"));
    for (const char16_t lone : {char16_t{0xD800}, char16_t{0xDFFF}}) {
      std::u16string damaged = text;
      damaged[damaged.find(u'\u00eb')] = lone;
      EXPECT_EQ(parse(utf16(damaged, bigEndian)).error().reason, "invalid UTF-16") << bigEndian;
    }
  }
  for (const char* doctype :
       {"<!DOCTYPE plist PUBLIC \"-//Example//DTD PLIST 1.0//EN\" \"http://example.invalid/x.dtd\">",
        "<!DOCTYPE plist SYSTEM \"/etc/passwd\">", "<!DOCTYPE plist [<!ELEMENT plist ANY>]>"})
    expectRead(
        bytesOf("<?xml version=\"1.0\"?>" + std::string(doctype) + "<plist><string>ok</string></plist>"),
        std::string("ok"), doctype);
}

// Files written by Python's plistlib (see fixtures/make_fixtures.py) read as the values that script put in.
TEST(PlistlibFixtures, EveryKindReadsInBothForms) {
  const auto fixture = [](const std::string& name) {
    return parse(bytesOf(readFile(sourceDirectory() / "tests/plist/fixtures" / name)));
  };
  const Result<Value> binary = fixture("plistlib_kinds.binary.plist");
  ASSERT_TRUE(binary) << binary.error().reason;
  // The two forms hold the same values, but for the UID only the binary form has.
  Dictionary withoutUid = *binary->get<Dictionary>();
  ASSERT_EQ(withoutUid.back(), (std::pair<std::string, Value>("uid", Uid{70000})));
  withoutUid.pop_back();
  EXPECT_EQ(fixture("plistlib_kinds.xml.plist").value_or(Value{}), Value(withoutUid));
  const auto integer = [](std::int64_t v) { return Value(Integer{v}); };
  EXPECT_EQ(*binary->find("integers"),
            Value(Array{integer(0), integer(255), integer(256), integer(65535), integer(65536),
                        integer(4294967295), integer(4294967296), integer(-1), integer(INT64_MIN),
                        integer(INT64_MAX), Integer{-1, true}}));
  EXPECT_EQ(*binary->find("reals"), Value(Array{0.1, -0.0, 1e300, -2.5}));
  EXPECT_EQ(*binary->find("data"), Value(Data{{0, 1, 2, 0xFD, 0xFE, 0xFF}}));
  EXPECT_EQ(*binary->find("date"), Value(*parseRfc3339("2026-01-02T03:04:05Z")));
  EXPECT_EQ(*binary->find("astral"), Value(std::string("\xF0\x9F\x98\x80 and \xF0\x9D\x84\x9E")));
  EXPECT_EQ(binary->find("twentyItems")->get<Array>()->size(), 20u);
  EXPECT_EQ(*binary->find("nested"),
            Value(Dictionary{{"empty array", Array{}}, {"empty dict", Dictionary{}}}));
}

}  // namespace
}  // namespace rw::plist
