#include "payload/plist.h"
