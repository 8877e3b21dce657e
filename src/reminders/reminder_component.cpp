#include "reminders/reminder_component.h"
