#include "platform/clock.h"

#include <chrono>

namespace rw {

Date systemNow() {
  using namespace std::chrono;
  const auto micros = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return Date::fromUnixSeconds(static_cast<double>(micros) / 1e6);
}

}  // namespace rw
