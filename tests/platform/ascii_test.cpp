#include "platform/ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace rw {
namespace {

TEST(Ascii, FindsAHighByteAtEveryPlaceOfEveryLengthAndReadsOnlyTheTextsBytes) {
  // The text is read in words of eight and four bytes, the last one overlapping the ones before; a high
  // byte may fall anywhere in those. The text lies between high bytes that are not its own.
  for (std::size_t length = 0; length <= 40; ++length) {
    const std::string buffer = "\xC3" + std::string(length, '\x7F') + "\xBC";
    EXPECT_TRUE(isAscii(std::string_view(buffer).substr(1, length))) << length;
    for (std::size_t at = 1; at <= length; ++at) {
      for (const char high : {'\x80', '\xFF'}) {
        std::string text = buffer;
        text[at] = high;
        EXPECT_FALSE(isAscii(std::string_view(text).substr(1, length)))
            << "length " << length << ", at " << at;
      }
    }
  }
}

}  // namespace
}  // namespace rw
