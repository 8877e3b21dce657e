#include "reminders/due_text.h"
