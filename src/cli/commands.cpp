// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include "cli/accounting_command.h"
#include "cli/backup_command.h"
#include "cli/check_command.h"
#include "cli/connect_command.h"
#include "cli/diff_command.h"
#include "cli/disconnect_command.h"
#include "cli/firmware_command.h"
#include "cli/history_command.h"
#include "cli/overview_command.h"
#include "cli/protocols_command.h"
#include "cli/read_command.h"
#include "cli/restore_command.h"
#include "cli/scan_command.h"
#include "cli/serve_command.h"
#include "cli/set_command.h"
#include "cli/status_command.h"
#include "cli/write_command.h"

namespace tarcfg::cli {

// The one list of commands: the order here is the order of --help.
std::vector<std::unique_ptr<Command>> AllCommands() {
  std::vector<std::unique_ptr<Command>> commands;
  commands.push_back(std::make_unique<CheckCommand>());
  commands.push_back(std::make_unique<ProtocolsCommand>());
  commands.push_back(std::make_unique<ScanCommand>());
  commands.push_back(std::make_unique<OverviewCommand>());
  commands.push_back(std::make_unique<ReadCommand>());
  commands.push_back(std::make_unique<BackupCommand>());
  commands.push_back(std::make_unique<WriteCommand>());
  commands.push_back(std::make_unique<SetCommand>());
  commands.push_back(std::make_unique<FirmwareCommand>());
  commands.push_back(std::make_unique<StatusCommand>());
  commands.push_back(std::make_unique<ConnectCommand>());
  commands.push_back(std::make_unique<DisconnectCommand>());
  commands.push_back(std::make_unique<AccountingCommand>());
  commands.push_back(std::make_unique<ServeCommand>());
  commands.push_back(std::make_unique<HistoryCommand>());
  commands.push_back(std::make_unique<RestoreCommand>());
  commands.push_back(std::make_unique<DiffCommand>());
  return commands;
}

}  // namespace tarcfg::cli
