// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/file_dialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace tarcfg {

QString QtFileFilter(const QString& tableFilter) {
  const QStringList parts = tableFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    if (description.isEmpty())
      break;
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern.trimmed() == QLatin1String("*.*"))
        pattern = QStringLiteral("*");
    // The description's own pattern list is replaced by the one Qt uses.
    const int open = description.indexOf(QLatin1String(" ("));
    if (open >= 0)
      description.truncate(open);
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

QString QtFileDialogs::GetOpenFileName(QWidget* parent, const QString& filter) {
  return GetOpenFileNameIn(parent, QString(), filter);
}

QString QtFileDialogs::GetOpenFileNameIn(QWidget* parent, const QString& directory,
                                         const QString& filter) {
  QFileDialog dialog(parent, QString(), directory, filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("cfg"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return QString();
  return dialog.selectedFiles().first();
}

QString QtFileDialogs::GetSaveFileName(QWidget* parent, const QString& initialName,
                                       const QString& filter) {
  QFileDialog dialog(parent, QString(), QString(), filter);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("cfg"));
  dialog.selectFile(initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return QString();
  return dialog.selectedFiles().first();
}

}  // namespace tarcfg
