#include "commands.h"

namespace rw::app {

void addDrawCommands(CLI::App&) {}

}  // namespace rw::app
