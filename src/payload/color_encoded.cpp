#include "payload/color_encoded.h"
