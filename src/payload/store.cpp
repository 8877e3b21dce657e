#include "payload/store.h"
