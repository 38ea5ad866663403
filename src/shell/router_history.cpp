// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/router_history.h"

#include "config/config_archive.h"
#include "config/string_table.h"

namespace tarcfg {

ConfigHistory RouterHistory(const ShellContext& context) {
  return ConfigHistory(context.historyDirectory, context.settings.historyLimit);
}

namespace {

void WarnOnceAboutRepository(ShellContext& context, QWidget* parent, const std::string& error) {
  if (error.empty() || context.historyRepositoryWarned)
    return;
  context.historyRepositoryWarned = true;
  context.messages.ShowMessage(parent,
                               QString::fromLocal8Bit(FormatString(41102, error.c_str()).c_str()),
                               MessageIcon::Exclamation);
}

HistoryNote NoteOf(const ShellContext& context) {
  HistoryNote note;
  note.routerName = context.selected.routerAddressText;
  note.hostName = context.database.LocalHostName();
  note.ownAddress = context.settings.ipAddressText;
  return note;
}

}  // namespace

bool KeepHistoryBeforeWrite(ShellContext& context, QWidget* parent, const std::string& operation,
                            const std::vector<std::string>& sending) {
  const ConfigHistory history = RouterHistory(context);
  if (!history.enabled() || !context.savedConfiguration)
    return true;
  const SelectedRouter& selected = context.selected;
  const Configuration& read = *context.savedConfiguration;
  const HistoryKeepResult kept =
      history.Keep(selected.hardwareAddressText, read.lineTargets, read.routes, read.filters,
                   selected.current, context.configContext(), [&] {
                     HistoryNote note = NoteOf(context);
                     note.operation = operation;
                     note.sending = sending;
                     return note;
                   }());
  if (kept.ok) {
    // The version is kept in the timestamped files; a repository that took
    // no commit is said once and stops nothing.
    WarnOnceAboutRepository(context, parent, kept.repositoryError);
    return true;
  }
  return context.messages.AskYesNo(
      parent, QString::fromLocal8Bit(FormatString(41100, kept.error.c_str()).c_str()),
      MessageIcon::Exclamation, Answer::No);
}

void KeepChangesMadeElsewhere(ShellContext& context, QWidget* parent) {
  const ConfigHistory history = RouterHistory(context);
  if (!history.enabled() || !context.savedConfiguration)
    return;
  const ConfigArchive archive(history, context.configContext(), std::string());
  const ArchiveResult result =
      archive.Archive(context.selected.hardwareAddressText, *context.savedConfiguration,
                      context.selected.current, NoteOf(context));
  WarnOnceAboutRepository(context, parent, result.repositoryError);
}

}  // namespace tarcfg
