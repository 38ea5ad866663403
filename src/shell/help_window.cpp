#include "help_window.h"

#include <QFile>

namespace tarcfg {

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
