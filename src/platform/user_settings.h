// What the platform would call the user's current calendar, time zone, locale and string table, made
// once per request by the host and passed down to the model and the views.
#pragma once

#include "platform/calendar.h"
#include "platform/catalog.h"

namespace rw {

struct UserSettings {
  Calendar calendar;
  Catalog strings;
};

}  // namespace rw
