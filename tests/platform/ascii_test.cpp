#include "platform/ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace rw {
namespace {

TEST(Ascii, FindsAHighByteAtEveryPlaceOfEveryLength) {
  // The text is read in words of eight and four bytes, the last one overlapping the ones before; a high
  // byte may fall anywhere in those.
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string plain(length, '\x7F');
    EXPECT_TRUE(isAscii(plain)) << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (const char high : {'\x80', '\xFF'}) {
        std::string text = plain;
        text[at] = high;
        EXPECT_FALSE(isAscii(text)) << "length " << length << ", at " << at;
      }
    }
  }
}

TEST(Ascii, ReadsOnlyTheTextsOwnBytes) {
  // A view into a longer buffer whose neighbouring bytes are high.
  const std::string buffer =
      "\xC3\xBC"
      "abcdefghijklmnopq"
      "\xC3\xBC";
  for (std::size_t length = 0; length <= 17; ++length)
    EXPECT_TRUE(isAscii(std::string_view(buffer).substr(2, length))) << length;
}

}  // namespace
}  // namespace rw
