#include "cli/commands.h"

namespace tarcfg::cli {

std::vector<std::unique_ptr<Command>> AllCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  for (auto make :
       {MakeCheckCommand, MakeProtocolsCommand, MakeScanCommand, MakeOverviewCommand,
        MakeReadCommand, MakeBackupCommand, MakeWriteCommand, MakeSetCommand, MakeFirmwareCommand,
        MakeStatusCommand, MakeConnectCommand, MakeDisconnectCommand, MakeAccountingCommand,
        MakeServeCommand, MakeHistoryCommand, MakeRestoreCommand})
    commands.push_back(make());
  return commands;
}

}  // namespace tarcfg::cli
