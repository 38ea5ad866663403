// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/help_window.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace tarcfg {

namespace {

// "index.html" in German is "index.de.html" beside it.
QString InLanguage(const QString& path, const QString& language) {
  if (language.isEmpty())
    return path;
  return path.left(path.size() - 5) + QLatin1Char('.') + language + QStringLiteral(".html");
}

}  // namespace

QUrl FindHelpPage(const QString& applicationDir, const QString& language) {
  // The page in the user's language where there is one, else the English one.
  QStringList languages;
  if (!language.isEmpty())
    languages << language;
  languages << QString();
  // The build derives the relative path from the install directories (bin/
  // to share/tarcfg/help/), so the program and the install rules agree.
  if (!applicationDir.isEmpty()) {
    for (const QString& wanted : languages) {
      const QFileInfo installed(
          QDir(applicationDir).filePath(InLanguage(TARCFG_HELP_FROM_BINDIR, wanted)));
      if (installed.isFile() && installed.isReadable())
        return QUrl::fromLocalFile(QDir::cleanPath(installed.absoluteFilePath()));
    }
  }
  for (const QString& wanted : languages) {
    const QString builtIn = InLanguage(QString::fromLatin1(kHelpPage), wanted);
    if (QFile::exists(QLatin1Char(':') + QUrl(builtIn).path()))
      return QUrl(builtIn);
  }
  return QUrl(QString::fromLatin1(kHelpPage));
}

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowFlag(Qt::Window);
  setWindowTitle(tr("Tarnex Router - Help"));
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

HelpWindow* ShowHelpWindow(QWidget* owner, const QUrl& page) {
  auto* help = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
  if (!help)
    help = new HelpWindow(owner);
  if (!help->OpenContents(page)) {
    delete help;
    return nullptr;
  }
  help->show();
  help->raise();
  return help;
}

}  // namespace tarcfg
