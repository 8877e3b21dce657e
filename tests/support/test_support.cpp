#include "support/test_support.h"

namespace rw::testing {

std::filesystem::path sourceDirectory() {
  return RW_SOURCE_DIR;
}
std::filesystem::path binaryDirectory() {
  return RW_BINARY_DIR;
}

}  // namespace rw::testing
