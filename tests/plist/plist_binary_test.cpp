#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "payload/plist.h"
#include "plist/binary_builder.h"

namespace rw::plist {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

using testing::appendBigEndian;
using testing::ascii;
using testing::BinaryBuilder;
using testing::Bytes;
using testing::container;
using testing::date;
using testing::integer;
using testing::Trailer;
using testing::trailerOf;
using testing::utf16;

std::string failureOf(const Bytes& file) {
  const Result<Value> result = parse(file);
  return result ? "(parsed)" : result.error().reason;
}

/// A file of `objects` in order, the first one on top, with one-byte offsets and references unless told.
Bytes fileOf(std::initializer_list<Bytes> objects, unsigned refSize = 1, unsigned offsetSize = 0) {
  BinaryBuilder builder;
  for (const Bytes& object : objects)
    builder.add(object);
  return builder.build(offsetSize != 0 ? offsetSize : refSize == 1 ? 1 : 4, refSize);
}

/// `levels` arrays, each holding the next; the innermost is empty.
Bytes nestedArrays(std::uint64_t levels) {
  BinaryBuilder builder;
  for (std::uint64_t i = 0; i + 1 < levels; ++i)
    builder.add(container(0xA, {i + 1}, 4));
  builder.add(container(0xA, {}, 4));
  return builder.build(4, 4);
}

// A random tree of every kind of value, with the boundaries of each kind's encodings; UIDs and fractions
// of seconds only for the binary form, which alone holds them.
Value randomValue(unsigned seed, int depth, bool binary) {
  std::mt19937 random(seed);
  const std::function<Value(int)> make = [&](int level) -> Value {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const std::int64_t integers[] = {0, 255, 256, 65535, 65536, 4294967295, 4294967296, -1, kMin, kMax};
    const double reals[] = {0.1, -0.0, 5e-324, 1e300, kInfinity, std::nan("")};
    const char* texts[] = {"",
                           "plain",
                           "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x98\x80",
                           "<a href=\"x\">&amp; ]]> 'q'</a>",
                           "k&<>\r",
                           "\xC3\xBCn\xC3\xAF code key",
                           "  two\r\nlines\t \n\t"};
    switch (random() % (level >= depth ? 7 : 9)) {
      case 0:
        return Value(random() % 2 == 0);
      case 1:
        return random() % 8 == 0 ? Value(Integer{-2, true}) : Value(Integer{integers[random() % 10]});
      case 2:
        return Value(reals[random() % 6]);
      case 3: {
        const double seconds =
            static_cast<double>(static_cast<std::int64_t>(random() % 4'000'000'000u) - 2'000'000'000);
        return Value(Date{binary ? seconds + 0.25 : seconds});
      }
      case 4: {
        std::vector<std::uint8_t> bytes(random() % 3 == 0 ? 200 : random() % 8);
        for (auto& byte : bytes)
          byte = static_cast<std::uint8_t>(random());
        return Value(Data{bytes});
      }
      case 5:
        return Value(random() % 10 == 0 ? std::string(300, 'x') : std::string(texts[random() % 7]));
      case 6:
        return binary && random() % 3 == 0 ? Value(Uid{static_cast<std::uint64_t>(random() % 70000)})
                                           : Value(std::string(texts[random() % 7]));
      case 7: {
        Array array;
        for (unsigned n = random() % 20; n > 0; --n)
          array.push_back(make(level + 1));
        return Value(std::move(array));
      }
      default: {
        Dictionary dictionary;  // keys repeat: the last one counts, and all are kept
        for (unsigned n = random() % 20; n > 0; --n)
          dictionary.emplace_back(texts[random() % 7], make(level + 1));
        return Value(std::move(dictionary));
      }
    }
  };
  return make(0);
}

TEST(PlistRoundTrip, RandomValuesReadBackInBothForms) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    for (const Format format : {Format::binary, Format::xml}) {
      const bool binary = format == Format::binary;
      const Value original = randomValue(seed, seed % 4, binary);
      const auto file = write(original, format);
      ASSERT_TRUE(file) << seed << " " << binary;
      const Result<Value> read = parse(*file);
      ASSERT_TRUE(read) << seed << " " << binary << ": " << read.error().reason;
      EXPECT_EQ(*read, original) << seed << " " << binary;
      // The explicit readers insist on their own form.
      EXPECT_EQ(bool(binary ? parseXml(*file) : parseBinary(*file)), false) << seed;
    }
  }
}

TEST(BinaryPlist, DatesKeepTheirExactBitsAndMustBeFinite) {
  for (const double seconds : {0.1, -1e-9, -0.0, 5e-324, 8.0e10, -6.3e10}) {
    const auto file = write(Value(Date{seconds}), Format::binary);
    ASSERT_TRUE(file);
    // The object right after the magic is the date: marker 0x33, then the big-endian float64.
    EXPECT_EQ(Bytes(file->begin() + 8, file->begin() + 17), date(std::bit_cast<std::uint64_t>(seconds)))
        << seconds;
    const auto bits = std::bit_cast<std::uint64_t>(parse(*file)->get<Date>()->sinceReferenceDate);
    EXPECT_EQ(bits, std::bit_cast<std::uint64_t>(seconds)) << seconds;
  }
  for (const double seconds : {std::numeric_limits<double>::quiet_NaN(), -kInfinity, kInfinity}) {
    EXPECT_EQ(failureOf(fileOf({date(std::bit_cast<std::uint64_t>(seconds))})), "date is not a finite number")
        << seconds;
    EXPECT_FALSE(write(Value(Date{seconds}), Format::binary)) << seconds;
  }
}

// {"k": [1, "two", 3.0, <date>]} laid out with every pair of offset and reference widths.
TEST(BinaryPlist, ReadsEveryOffsetAndReferenceWidth) {
  const Value expected = Dictionary{{"k", Array{Integer{1}, std::string("two"), 3.0, Date{12.5}}}};
  Bytes real{0x23};
  appendBigEndian(real, std::bit_cast<std::uint64_t>(3.0), 8);
  for (unsigned offsetSize = 1; offsetSize <= 8; ++offsetSize) {
    for (unsigned refSize = 1; refSize <= 8; ++refSize) {
      const Result<Value> read =
          parse(fileOf({container(0xD, {1, 2}, refSize), ascii("k"), container(0xA, {3, 4, 5, 6}, refSize),
                        integer(1, 1), ascii("two"), real, date(std::bit_cast<std::uint64_t>(12.5))},
                       refSize, offsetSize));
      ASSERT_TRUE(read) << offsetSize << "/" << refSize << ": " << read.error().reason;
      EXPECT_EQ(*read, expected) << offsetSize << "/" << refSize;
    }
  }
  BinaryBuilder far;
  far.add(container(0xA, {1, 2}, 1));
  far.pad(70'000);
  far.add(ascii("far"));
  far.add(integer(0x1234, 2));
  EXPECT_EQ(*parse(far.build(3, 1)), Value(Array{std::string("far"), Integer{0x1234}}));
  // Too narrow an offset width cuts the offsets and lands outside the objects or on the wrong bytes.
  EXPECT_FALSE(parse(far.build(2, 1)));
}

TEST(BinaryPlist, ReadsEveryObjectEncoding) {
  Bytes real{0x22};
  appendBigEndian(real, std::bit_cast<std::uint32_t>(1.5f), 4);
  BinaryBuilder extended;  // 16 references, and a string of 15 in the long form legal for small counts too
  extended.add(container(0xA, std::vector<std::uint64_t>(16, 1), 1));
  extended.add(ascii(std::string(15, 'b'), /*forceExtended=*/true));
  const std::uint64_t kAll = ~std::uint64_t{0};
  const std::pair<Bytes, Value> cases[] = {
      {fileOf({integer(0xFF, 1)}), Integer{255}},  // 1, 2 and 4 bytes are unsigned
      {fileOf({integer(0xFFFF, 2)}), Integer{65535}},
      {fileOf({integer(0xFFFFFFFF, 4)}), Integer{4294967295}},
      {fileOf({integer(kAll, 8)}), Integer{-1}},  // 8 bytes are signed
      {fileOf({integer(5, 16)}), Integer{5}},
      {fileOf({integer(kAll, 16)}), Integer{-1, true}},  // 2^64 - 1
      {fileOf({integer(kAll, 16, kAll)}), Integer{-1}},
      {fileOf({integer(std::uint64_t{1} << 63, 16, kAll)}),
       Integer{std::numeric_limits<std::int64_t>::min()}},
      {fileOf({real}), 1.5},
      {fileOf({utf16(u"Zo\u00eb \U0001F600!")}), std::string("Zo\xC3\xAB \xF0\x9F\x98\x80!")},
      {fileOf({utf16(u"")}), std::string()},
      {extended.build(1, 1), Array(16, Value(std::string(15, 'b')))},
  };
  for (const auto& [file, expected] : cases) {
    const Result<Value> read = parse(file);
    ASSERT_TRUE(read) << read.error().reason;
    EXPECT_EQ(*read, expected);
  }
  // 16-byte numbers outside -2^63 .. 2^64-1, and widths that do not exist.
  for (const Bytes& object : {integer(0, 16, 1), integer(5, 16, kAll), Bytes{0x15, 0}, Bytes{0x17}})
    EXPECT_FALSE(parse(fileOf({object})));
}

TEST(BinaryPlist, WriterSharesEqualObjectsAndPicksNarrowForms) {
  Array events;
  for (int i = 0; i < 300; ++i) {
    Dictionary event;
    event.emplace_back("identifier", std::to_string(i));
    event.emplace_back("status", std::string("PLA"));
    event.emplace_back("notes", std::string("PLA"));  // same text as a value elsewhere: one object
    events.push_back(std::move(event));
  }
  const auto file = write(Value(events), Format::binary);
  ASSERT_TRUE(file);
  const Trailer trailer = trailerOf(*file);
  // The array, 300 dictionaries, 300 identifiers (of which "0".."299"), the keys and "PLA" once.
  EXPECT_EQ(trailer.numObjects, 1u + 300u + 300u + 3u + 1u);
  EXPECT_EQ(trailer.refSize, 2u);     // more than 256 objects
  EXPECT_EQ(trailer.offsetSize, 2u);  // offsets below 65536
  EXPECT_EQ(*parse(*file), Value(events));
  const auto small = write(Value(Array{std::string("ab"), std::string("\xC3\xA9")}), Format::binary);
  ASSERT_TRUE(small);
  EXPECT_EQ(trailerOf(*small).refSize, 1u);
  EXPECT_EQ(trailerOf(*small).offsetSize, 1u);
  // array (0xA2 + 2 refs), then "ab" as ASCII and "é" as one UTF-16 unit.
  const Bytes expected{0xA2, 1, 2, 0x52, 'a', 'b', 0x61, 0x00, 0xE9};
  EXPECT_EQ(Bytes(small->begin() + 8, small->begin() + 8 + expected.size()), expected);
  // 0xAF, then the count as a 4-byte integer (0x12), then 70 000 references of one byte.
  const auto large = write(Value(Array(70'000, Value(true))), Format::binary);
  ASSERT_TRUE(large);
  EXPECT_EQ(Bytes(large->begin() + 8, large->begin() + 14), (Bytes{0xAF, 0x12, 0x00, 0x01, 0x11, 0x70}));
  // Text that is not UTF-8 cannot be written.
  EXPECT_FALSE(write(Value(std::string("\xC3")), Format::binary));
  EXPECT_FALSE(write(Value(std::string("\xED\xA0\x80")), Format::binary));  // an encoded surrogate
}

TEST(BinaryPlist, RefusesMalformedTrailers) {
  BinaryBuilder builder;
  builder.add(container(0xA, {1}, 1));
  builder.add(ascii("x"));
  struct Case {
    const char* name;
    std::function<void(Trailer&)> tamper;
  };
  const Case cases[] = {
      {"offset width 0", [](Trailer& t) { t.offsetSize = 0; }},
      {"offset width 9", [](Trailer& t) { t.offsetSize = 9; }},
      {"reference width 0", [](Trailer& t) { t.refSize = 0; }},
      {"reference width 9", [](Trailer& t) { t.refSize = 9; }},
      {"no objects", [](Trailer& t) { t.numObjects = 0; }},
      {"top object out of range", [](Trailer& t) { t.topObject = 2; }},
      {"huge object count", [](Trailer& t) { t.numObjects = std::uint64_t{1} << 62; }},
      {"one object too many", [](Trailer& t) { t.numObjects = 3; }},
      {"table in the header", [](Trailer& t) { t.tableOffset = 4; }},
      {"table past the end", [](Trailer& t) { t.tableOffset = 1000; }},
      {"table offset overflows", [](Trailer& t) { t.tableOffset = ~std::uint64_t{0}; }},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(parse(builder.build(1, 1, 0, c.tamper))) << c.name;
}

TEST(BinaryPlist, RefusesEveryTruncation) {
  const auto file = write(randomValue(7, 3, true), Format::binary);
  ASSERT_TRUE(file);
  for (std::size_t length = 0; length < file->size(); ++length)
    EXPECT_FALSE(parse(std::span(file->data(), length))) << length;
  // Garbage after the header is no file either.
  EXPECT_FALSE(parse(testing::bytesOf("bplist00 and then some text that is not a trailer at all....")));
}

TEST(BinaryPlist, RefusesDamagedObjects) {
  using testing::marker;
  // Each array holds the next one twice: 80 levels describe 2^80 values in about 200 bytes.
  BinaryBuilder exploding;
  for (std::uint64_t i = 0; i < 80; ++i)
    exploding.add(container(0xA, {i + 1, i + 1}, 1));
  exploding.add(ascii("leaf"));
  const auto offsetTo = [](std::uint8_t offset) {
    Bytes file = fileOf({container(0xA, {1}, 1), ascii("x")});
    file[trailerOf(file).tableOffset + 1] = offset;
    return file;
  };
  struct Case {
    const char* what;
    Bytes file;
    const char* reason;  // null: any
  };
  const Case cases[] = {
      {"reference to no object", fileOf({container(0xA, {1, 7}, 1), ascii("x")}),
       "object reference out of range"},
      {"high bytes of a wide reference", fileOf({container(0xA, {0x0100000000000001}, 8), ascii("x")}, 8),
       "object reference out of range"},
      {"offset into the header", offsetTo(3), "object offset out of range"},
      {"offset into the offset table", offsetTo(60), "object offset out of range"},
      {"array holding itself", fileOf({container(0xA, {0}, 1)}), "object contains itself"},
      {"value holding its dictionary",
       fileOf({container(0xD, {1, 2}, 1), ascii("k"), container(0xA, {0}, 1)}), "object contains itself"},
      {"string count", fileOf({marker(0x5, std::uint64_t{1} << 40)}), "count larger than the file"},
      {"UTF-16 count overflowing", fileOf({marker(0x6, std::uint64_t{1} << 62)}),
       "count larger than the file"},
      {"array count", fileOf({marker(0xA, 1000)}), "count larger than the file"},
      {"dictionary count overflowing", fileOf({marker(0xD, std::uint64_t{1} << 63)}),
       "count larger than the file"},
      {"extended count cut off", fileOf({{0x5F, 0x13, 0x00}}), nullptr},
      {"extended count no integer", fileOf({{0x5F, 0x23, 0, 0, 0, 0, 0, 0, 0, 1}}), nullptr},
      {"null", fileOf({{0x00}}), nullptr},
      {"date of the wrong width", fileOf({{0x34, 0, 0, 0, 0}}), nullptr},
      {"2-byte real", fileOf({{0x21, 0, 0}}), nullptr},
      {"set", fileOf({{0xC0}}), nullptr},
      {"9-byte UID", fileOf({{0x88, 0, 0, 0, 0, 0, 0, 0, 0, 1}}), nullptr},
      {"high surrogate at the end", fileOf({utf16(u"a\xD800")}), nullptr},
      {"lone low surrogate",
       fileOf({utf16(u"\xDC00"
                     u"b")}),
       nullptr},
      {"high byte in an ASCII string", fileOf({{0x52, 'a', 0xE9}}), nullptr},
      {"integer key", fileOf({container(0xD, {1, 1}, 1), integer(1, 1)}), "dictionary key is not a string"},
      {"513 levels", nestedArrays(513), "nesting too deep"},
      {"shared references exploding", exploding.build(1, 1), "object graph too large"},
  };
  for (const Case& c : cases) {
    const std::string failure = failureOf(c.file);
    EXPECT_NE(failure, "(parsed)") << c.what;
    if (c.reason) {
      EXPECT_EQ(failure, c.reason) << c.what;
    }
  }
  EXPECT_TRUE(parse(nestedArrays(512)));
  Value deep = Array{};  // arrays and dictionaries count alike
  for (int i = 1; i < 512; ++i)
    deep = i % 2 ? Value(Array{std::move(deep)}) : Value(Dictionary{{"k", std::move(deep)}});
  EXPECT_TRUE(write(deep, Format::binary));
  EXPECT_FALSE(write(Value(Array{deep}), Format::binary));
}

TEST(PlistValue, FindTakesTheLastOccurrenceOfAKeyExactly) {
  const Value value(
      Dictionary{{"status", std::string("first")}, {"other", Integer{1}}, {"status", std::string("last")}});
  ASSERT_NE(value.find("status"), nullptr);
  EXPECT_EQ(*value.find("status"), Value(std::string("last")));
  EXPECT_EQ(value.find("missing"), nullptr);
  EXPECT_EQ(value.find("Status"), nullptr);
  EXPECT_EQ(Value(Array{value}).find("status"), nullptr);
}

// NaN equals NaN, so that a value read back compares equal to what was written; kinds never mix.
TEST(PlistValue, EqualityComparesKindsAndContents) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Value(Array{kNaN}), Value(Array{kNaN}));
  EXPECT_EQ(Value(0.0), Value(-0.0));
  const std::pair<Value, Value> different[] = {
      {1.0, kNaN},
      {1.0, Integer{1}},
      {Date{1}, 1.0},
      {Integer{-1}, Integer{-1, true}},
      {Dictionary{{"a", true}, {"b", false}}, Dictionary{{"b", false}, {"a", true}}},  // order is kept
      {Data{{1}}, std::string("\x01")},
      {Uid{1}, Integer{1}},
  };
  for (const auto& [a, b] : different)
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace rw::plist
