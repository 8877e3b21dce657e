#include "platform/url.h"
