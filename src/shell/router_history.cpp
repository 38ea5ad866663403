// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/router_history.h"

#include "config/string_table.h"

namespace tarcfg {

ConfigHistory RouterHistory(const ShellContext& context) {
  return ConfigHistory(context.historyDirectory, context.settings.historyLimit);
}

bool KeepHistoryBeforeWrite(ShellContext& context, QWidget* parent, const std::string& operation,
                            const std::vector<std::string>& sending) {
  const ConfigHistory history = RouterHistory(context);
  if (!history.enabled() || !context.savedConfiguration)
    return true;
  const SelectedRouter& selected = context.selected;
  const Configuration& read = *context.savedConfiguration;
  const HistoryKeepResult kept =
      history.Keep(selected.hardwareAddressText, read.lineTargets, read.routes, read.filters,
                   selected.current, context.configContext(),
                   HistoryNote{selected.routerAddressText, operation, sending,
                               context.database.LocalHostName(), context.settings.ipAddressText});
  if (kept.ok) {
    // The version is kept in the timestamped files; a repository that took
    // no commit is said once and stops nothing.
    if (!kept.repositoryError.empty() && !context.historyRepositoryWarned) {
      context.historyRepositoryWarned = true;
      context.messages.ShowMessage(
          parent, QString::fromLocal8Bit(FormatString(41102, kept.repositoryError.c_str()).c_str()),
          MessageIcon::Exclamation);
    }
    return true;
  }
  return context.messages.AskYesNo(
      parent, QString::fromLocal8Bit(FormatString(41100, kept.error.c_str()).c_str()),
      MessageIcon::Exclamation, Answer::No);
}

}  // namespace tarcfg
