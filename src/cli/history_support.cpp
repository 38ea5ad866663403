// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/history_support.h"
#include "cli/cli_text.h"
#include "config/reports.h"

namespace tarcfg::cli {

ConfigHistory SettingsHistory(const CliContext& context) {
  return ConfigHistory(DefaultHistoryDirectory(), context.settings().historyLimit);
}

void AddNoHistoryOption(QCommandLineParser& parser) {
  parser.addOption(
      {"no-history", CliText::tr("Write even when the router's configuration cannot be kept in "
                                 "the history first.")});
}

bool HistoryWanted(const CliContext& context, const QCommandLineParser& parser) {
  return !parser.isSet("no-history") && context.settings().historyLimit > 0;
}

bool KeepHistoryBeforeWrite(RouterSession& session, const QCommandLineParser& parser,
                            const std::string& operation, const std::vector<std::string>& sending) {
  CliContext& context = session.context();
  if (!HistoryWanted(context, parser))
    return true;
  const RouterSession::Target& target = session.target();
  HistoryKeepResult kept;
  if (!target.hardwareKnown) {
    kept.error = Say(CliText::tr("the router's hardware address is not known"));
  } else {
    const Configuration& read = session.saved();
    kept = SettingsHistory(context).Keep(
        FormatHardwareAddress(target.hardwareAddress), read.lineTargets, read.routes, read.filters,
        session.current(), ConfigContext{context.tables(), context.addresses(), context.database()},
        HistoryNote{target.name, operation, sending, context.database().LocalHostName(),
                    context.settings().ipAddressText});
  }
  if (kept.ok) {
    // Kept in the timestamped files; a git repository that took no commit
    // stops nothing and is said once per process.
    static bool warned = false;
    if (!kept.repositoryError.empty() && !warned) {
      warned = true;
      PrintError("tarcfg-cli: " +
                 Say(CliText::tr("warning: kept in the history but not committed to its git "
                                 "repository: %1")
                         .arg(QString::fromStdString(kept.repositoryError))));
    }
    return true;
  }
  PrintError("tarcfg-cli: " +
             Say(CliText::tr("cannot keep the router's configuration in the history: %1\nNothing "
                             "was sent. --no-history writes without keeping it.")
                     .arg(QString::fromStdString(kept.error))));
  return false;
}

std::string FewerKeptProblem(const std::string& hardware, std::size_t kept) {
  const int count = static_cast<int>(kept);
  const QString why = count == 0 ? CliText::tr("no configuration has been kept")
                      : count == 1
                          ? CliText::tr("the history holds 1 configuration")
                          : CliText::tr("the history holds %n configurations", nullptr, count);
  return Problem(hardware, Say(why));
}

}  // namespace tarcfg::cli
