#include "platform/messages.h"

#include <cstdio>

namespace rw {

void printLine(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line).push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string errorLine(std::string_view type, std::string_view operation, std::string_view reason) {
  std::string line = "Error in ";
  line.append(type).append(".").append(operation).append(": ").append(reason);
  return line;
}

void reportError(std::string_view type, std::string_view operation, std::string_view reason) {
  printLine(errorLine(type, operation, reason));
}

}  // namespace rw
