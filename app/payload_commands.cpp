#include "commands.h"

namespace rw::app {

void addPayloadCommands(CLI::App&) {}

}  // namespace rw::app
