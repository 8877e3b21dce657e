#include "platform/calendar.h"
