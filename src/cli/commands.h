// Every command of tarcfg-cli, in the order --help lists them.
#pragma once

#include <memory>
#include <vector>

#include "cli/command.h"

namespace tarcfg::cli {

std::vector<std::unique_ptr<Command>> AllCommands();

// One factory per command.
std::unique_ptr<Command> MakeCheckCommand();
std::unique_ptr<Command> MakeProtocolsCommand();
std::unique_ptr<Command> MakeScanCommand();
std::unique_ptr<Command> MakeOverviewCommand();
std::unique_ptr<Command> MakeReadCommand();
std::unique_ptr<Command> MakeBackupCommand();
std::unique_ptr<Command> MakeWriteCommand();
std::unique_ptr<Command> MakeSetCommand();
std::unique_ptr<Command> MakeFirmwareCommand();
std::unique_ptr<Command> MakeStatusCommand();
std::unique_ptr<Command> MakeConnectCommand();
std::unique_ptr<Command> MakeDisconnectCommand();
std::unique_ptr<Command> MakeAccountingCommand();
std::unique_ptr<Command> MakeServeCommand();
std::unique_ptr<Command> MakeHistoryCommand();
std::unique_ptr<Command> MakeRestoreCommand();

}  // namespace tarcfg::cli
