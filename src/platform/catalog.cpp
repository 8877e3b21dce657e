#include "platform/catalog.h"
