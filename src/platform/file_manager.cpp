#include "platform/file_manager.h"
