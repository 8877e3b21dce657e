// The current instant, handed in by the host so that every test can fix it.
#pragma once

#include <functional>

#include "platform/date.h"

namespace rw {

using Clock = std::function<Date()>;

/// Reads the system's real-time clock.
Date systemNow();

/// A clock that always answers `date`.
inline Clock fixedClock(Date date) {
  return [date] { return date; };
}

}  // namespace rw
