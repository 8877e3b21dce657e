#include "payload/records.h"
