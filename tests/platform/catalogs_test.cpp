// The shipped catalogs, each on its own: every key translated, placeholders kept, plural rules as CLDR's.
#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/plurrule.h>
#include <unicode/unistr.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "support/mo_writer.h"
#include "support/test_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;
using testing::builtStringsDirectory;
using testing::TemporaryDirectory;

struct PoFile {
  std::vector<std::string> keys;  // every msgid but the header's, in file order
  std::set<std::string> pluralKeys;
  std::string pluralForms;  // the header's Plural-Forms line
};

// Enough of the .po format for the shipped files: one-line msgid, msgid_plural and header strings.
PoFile readPo(const std::string& language) {
  PoFile po;
  std::ifstream in(testing::sourceDirectory() / "resources" / "po" / (language + ".po"));
  const std::regex msgid(R"re(^msgid "(.+)"$)re"), forms(R"re(^"(Plural-Forms: [^"]*)\\n"$)re");
  std::string line;
  std::smatch match;
  while (std::getline(in, line)) {
    if (std::regex_match(line, match, msgid)) {
      po.keys.push_back(std::regex_replace(match[1].str(), std::regex(R"re(\\")re"), "\""));
    } else if (line.starts_with("msgid_plural \"")) {
      po.pluralKeys.insert(po.keys.back());
    } else if (std::regex_match(line, match, forms)) {
      po.pluralForms = match[1];
    }
  }
  return po;
}

std::vector<std::string> shippedLanguages() {
  std::vector<std::string> languages;
  for (const auto& entry : fs::directory_iterator(testing::sourceDirectory() / "resources" / "po"))
    if (entry.path().extension() == ".po") languages.push_back(entry.path().stem().string());
  std::sort(languages.begin(), languages.end());
  return languages;
}

// Each built catalog alone, so that nothing falls back to English: every key translated, placeholders kept,
// counts in the locale's digits. Its header's rule, in a catalog whose one count format has the form's number
// as its text, must give two counts of different CLDR categories different forms, and have as many forms as
// the language has categories for whole numbers.
TEST(ShippedCatalogs, EachTranslatesEveryKeyAndSeparatesCountsAsTheLanguageDoes) {
  const auto languages = shippedLanguages();
  for (const char* language : {"en", "de", "pl", "fr", "es", "it", "pt_BR", "nl",    "sv", "da", "nb", "fi",
                               "cs", "uk", "ru", "tr", "el", "ja", "zh_CN", "zh_TW", "ko", "ar", "he", "hi"})
    EXPECT_NE(std::find(languages.begin(), languages.end(), language), languages.end()) << language;
  const PoFile english = readPo("en");
  ASSERT_GE(english.keys.size(), 19u);
  ASSERT_EQ(english.pluralKeys, (std::set<std::string>{"%d DAY(S)", "%d MONTH(S)"}));
  for (const std::string& language : languages) {
    SCOPED_TRACE(language);
    const PoFile po = readPo(language);
    EXPECT_EQ(po.keys, english.keys) << "keys differ from en.po";
    EXPECT_EQ(po.pluralKeys, english.pluralKeys);
    TemporaryDirectory strings, probeStrings;
    fs::create_directories(strings.path() / language / "LC_MESSAGES");
    fs::copy_file(builtStringsDirectory() / language / "LC_MESSAGES" / "reminders-widget.mo",
                  strings.path() / language / "LC_MESSAGES" / "reminders-widget.mo");
    const Catalog sole = Catalog::load(strings.path(), language), keysOnly = Catalog::load({}, language);
    for (const std::string& key : english.keys) {
      if (english.pluralKeys.count(key)) continue;
      const std::string text = sole.text(key);
      EXPECT_NE(text, key) << "untranslated";
      // The templates keep their placeholder exactly once; no other text has one.
      const auto at = text.find("[INTERVAL]");
      EXPECT_EQ(at != std::string::npos, key.find("[INTERVAL]") != std::string::npos) << key << " → " << text;
      EXPECT_EQ(at, text.rfind("[INTERVAL]")) << text;
    }
    for (const std::string& key : english.pluralKeys) {
      for (const std::int64_t count : {0, 1, 2, 5, 11, 21, 101}) {
        const std::string text = sole.countText(key, count);
        EXPECT_NE(text, keysOnly.countText(key, count)) << key << " " << count << ": untranslated";
        EXPECT_EQ(text.find('%'), std::string::npos) << text;
        // The number in the locale's digits; only "one" and "two" may be spelled out (Arabic, Hebrew).
        EXPECT_TRUE(count <= 2 || text.find(keysOnly.countText("%d", count)) != std::string::npos) << text;
      }
    }
    std::smatch match;
    ASSERT_TRUE(std::regex_search(po.pluralForms, match, std::regex(R"re(nplurals=\s*(\d+))re")))
        << po.pluralForms;
    const int formCount = std::stoi(match[1]);
    std::string forms = "0";
    for (int form = 1; form < formCount; ++form)
      forms += '\0' + std::to_string(form);
    testing::writeCatalog(
        probeStrings.path(), language,
        testing::moFile({{testing::joined({"FORM", "FORM"}), forms}}, po.pluralForms.substr(14)));
    const Catalog probe = Catalog::load(probeStrings.path(), language);
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::PluralRules> cldr(
        icu::PluralRules::forLocale(icu::Locale(language.c_str()), status));
    ASSERT_TRUE(U_SUCCESS(status));
    std::map<std::string, std::string> formOfCategory;
    for (std::int64_t n = 0; n <= 1000; ++n) {
      const std::string form = probe.countText("FORM", n);
      ASSERT_NE(form, "FORM") << n << ": no form";
      std::string category;
      cldr->select(static_cast<std::int32_t>(n)).toUTF8String(category);
      formOfCategory.emplace(category, form);
      // A form serves one category only.
      for (const auto& [other, otherForm] : formOfCategory)
        if (other != category && otherForm == form)
          FAIL() << n << " (" << category << ") shares form " << form << " with " << other;
    }
    EXPECT_EQ(static_cast<int>(formOfCategory.size()), formCount) << po.pluralForms;
  }
}

}  // namespace
}  // namespace rw
