#include "commands.h"

namespace rw::app {

void addRequestCommands(CLI::App&) {}

}  // namespace rw::app
