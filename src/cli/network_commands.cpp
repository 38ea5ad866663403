// The commands that talk to routers.
#include "command.h"

namespace tarcfg::cli {

std::vector<std::unique_ptr<Command>> MakeNetworkCommands() {
  return {};
}

}  // namespace tarcfg::cli
