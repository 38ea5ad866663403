// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <iostream>

#include "cli/backup_command.h"
#include "cli/cli_text.h"
#include "cli/config_transfer.h"
#include "cli/session.h"
#include "config/config_file.h"
#include "config/reports.h"
#include "config/stop_signals.h"
#include "config/string_table.h"

namespace tarcfg::cli {

void BackupCommand::AddOptions(QCommandLineParser& parser) {
  parser.addOption(
      {"dir", CliText::tr("Where the files go (default: the current folder)."), "DIR", "."});
  parser.addOption(PasswordOption());
}

int BackupCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  if (!context.LoadProtocolDefinitions())
    return kExitFile;
  const std::string dir = parser.value("dir").toStdString();
  if (!QDir(QString::fromStdString(dir)).exists()) {
    PrintError(Problem(dir, Say(CliText::tr("no such folder"))));
    return kExitFile;
  }
  RouterSession session(context);
  const auto scanned = session.OpenAndScan();
  if (!scanned)
    return kExitRefused;
  const auto& routers = *scanned;
  if (routers.empty()) {
    PrintError(LoadString(1016));
    return kExitRefused;
  }
  const int nameLength = MaxFileNameLength(dir);
  int failures = 0;
  for (const auto& router : routers) {
    if (router.answer.routerAddress == 0) {
      PrintError(Problem(router.hardwareAddress,
                         Say(CliText::tr("no IP address (loader mode), skipped"))));
      ++failures;
      continue;
    }
    session.ClearFailure();
    RouterSession::Target target;
    target.address = router.answer.routerAddress;
    target.name = DottedQuad(target.address);
    if (!session.RegisterAndLoad(target, PasswordArgument(parser))) {
      session.Deregister();
      ++failures;
      if (StopSignals::caught() != 0)
        break;
      continue;
    }
    const std::string file = dir + "/" + RememberedFileName(router.displayName, nameLength);
    if (SaveConfiguration(session, file)) {
      std::cerr << Say(CliText::tr("%1: saved to %2")
                           .arg(QString::fromStdString(router.displayName),
                                QString::fromStdString(file)))
                << "\n";
      std::cout << file << "\n";
    } else {
      ++failures;
    }
    session.Deregister();
    if (StopSignals::caught() != 0)
      break;
  }
  return failures ? kExitRefused : kExitOk;
}

}  // namespace tarcfg::cli
