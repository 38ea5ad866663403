// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/help_window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tarcfg {

QUrl FindHelpPage(const QString& applicationDir) {
  // The build derives the relative path from the install directories (bin/
  // to share/tarcfg/help/), so the program and the install rules agree.
  if (!applicationDir.isEmpty()) {
    const QFileInfo installed(
        QDir(applicationDir).filePath(QStringLiteral(TARCFG_HELP_FROM_BINDIR)));
    if (installed.isFile() && installed.isReadable())
      return QUrl::fromLocalFile(QDir::cleanPath(installed.absoluteFilePath()));
  }
  return QUrl(QString::fromLatin1(kHelpPage));
}

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowFlag(Qt::Window);
  setWindowTitle(QStringLiteral("Tarnex Router - Help"));
  setOpenExternalLinks(false);
  resize(560, 480);
}

bool HelpWindow::OpenContents(const QUrl& page) {
  QString path =
      page.scheme() == QLatin1String("qrc") ? QLatin1Char(':') + page.path() : page.toLocalFile();
  if (!QFile::exists(path))
    return false;
  setSource(page);
  return !toPlainText().isEmpty();
}

}  // namespace tarcfg
