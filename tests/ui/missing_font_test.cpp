// A text in a script no installed font has is reported once on stderr, not once per text.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ui/pango_text_measurer.h"

namespace rw::ui {
namespace {

// Whether fontconfig knows a font with the character (hexadecimal code point).
bool someFontHas(const char* codePoint) {
  const std::string command = std::string("fc-list ':charset=") + codePoint + "' family 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return true;
  char buffer[256];
  const bool found = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
  pclose(pipe);
  return found;
}

TEST(MissingFonts, AScriptWithoutAFontIsReportedOnce) {
  // Scripts no Debian 12 font package covers, then ones only large collections do.
  struct Candidate {
    const char* codePoint;
    const char* text;  // two words of that script
    const char* name;
  };
  const Candidate candidates[] = {{"11f04", "\U00011F04\U00011F05 \U00011F06", "Kawi"},
                                  {"1c5a", "\u1C5A\u1C5B \u1C5C", "Ol_Chiki"},
                                  {"a500", "\uA500\uA501 \uA502", "Vai"}};
  const Candidate* chosen = nullptr;
  for (const auto& candidate : candidates)
    if (!chosen && !someFontHas(candidate.codePoint)) chosen = &candidate;
  if (chosen == nullptr) GTEST_SKIP() << "every candidate script has a font here";

  const PangoTextMeasurer measurer;
  const FontRequest font{.family = "Inter", .size = 13};
  ::testing::internal::CaptureStderr();
  (void)measurer.measure(chosen->text, font, std::nullopt, std::nullopt);
  (void)measurer.measure(std::string("Title ") + chosen->text, font, 100.0, 2);
  (void)measurer.measure("Latin only", font, std::nullopt, std::nullopt);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(chosen->name), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
}

TEST(MissingFonts, TextsTheInstalledFontsDrawAreNotReported) {
  const PangoTextMeasurer measurer;
  ::testing::internal::CaptureStderr();
  (void)measurer.measure("Overdue Überfällig Просрочено 期限切れ", FontRequest{.family = "Inter"},
                         std::nullopt, std::nullopt);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace rw::ui
