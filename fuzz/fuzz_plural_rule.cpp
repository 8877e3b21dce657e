// Plural rules from arbitrary bytes, through the guard and Boost.Locale's gettext reader: a rule the guard
// lets through must never crash, trap or overflow the stack when the reader parses it or evaluates it for
// any count.
//
// Input: the value of a catalog header's Plural-Forms line and whatever header lines follow it, for
// example "nplurals=2; plural=(0-2147483647-1)/(0-1);". It is put in a catalog built in memory whose one
// plural entry has 16 forms, "0" to "15". Checks beyond the sanitizers':
// - a lookup gives one of the entry's forms or nothing, and the same answer again.
#include <boost/locale/gnu_gettext.hpp>
#include <boost/locale/message.hpp>
#include <cstdint>
#include <limits>
#include <locale>
#include <string>
#include <vector>

#include "platform/catalog.h"
#include "support/mo_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string pluralForms(reinterpret_cast<const char*>(data), size);
  pluralForms = pluralForms.substr(0, pluralForms.find('\0'));
  std::string forms;
  for (int form = 0; form < 16; ++form)
    forms += (form > 0 ? std::string(1, '\0') : "") + std::to_string(form);
  const auto mo = rw::testing::moFile({{rw::testing::joined({"FORM", "FORM"}), forms}}, pluralForms);
  // The catalog's header is its first entry's text, as the reader takes it.
  const std::string header = "Content-Type: text/plain; charset=UTF-8\nPlural-Forms: " + pluralForms + "\n";
  if (rw::pluralRuleRefusal(header)) return 0;

  namespace gettext = boost::locale::gnu_gettext;
  gettext::messages_info info;
  info.language = "xx";
  info.encoding = "UTF-8";
  info.paths.push_back("/fuzz");
  info.domains.emplace_back("fuzz");
  info.callback = [&](const std::string&, const std::string&) {
    return std::vector<char>(mo.begin(), mo.end());
  };
  std::locale holder;
  const boost::locale::message_format<char>* messages = nullptr;
  try {
    messages = gettext::create_messages_facet<char>(info);
    if (messages == nullptr) return 0;
    holder = std::locale(std::locale::classic(), messages);
  } catch (const std::exception&) {
    return 0;  // a header the reader rejects (a charset it cannot convert) is no crash
  }
  const int domain = messages->domain("fuzz");
  constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
  for (const int n : {0, 1, 2, 3, 5, 11, 21, 101, 1000002, kMax, kMax - 1, -1, kMin, kMin + 1}) {
    const char* form = messages->get(domain, nullptr, "FORM", n);
    if (form != nullptr) {
      const std::string text = form;
      if (text.empty() || text.size() > 2 || std::stoi(text) < 0 || std::stoi(text) > 15 ||
          std::to_string(std::stoi(text)) != text)
        __builtin_trap();
    }
    if (messages->get(domain, nullptr, "FORM", n) != form) __builtin_trap();
  }
  return 0;
}
