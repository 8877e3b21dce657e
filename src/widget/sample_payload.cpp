#include "widget/timeline_entry.h"
