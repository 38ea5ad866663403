// SPDX-License-Identifier: GPL-3.0-or-later
// The help window: the user guide, an HTML page from the resources.
#pragma once

#include <QTextBrowser>
#include <QUrl>

namespace tarcfg {

// The copy of the user guide built into the program.
inline constexpr const char* kHelpPage = "qrc:/help/index.html";

// The page the Help menu opens for a program in `applicationDir`: the guide
// installed beside the program (bin/../share/tarcfg/help/index.html, where
// `cmake --install` and the packages put it) when it is a readable file, else
// the built-in copy. An installed page can be read and linked to by other
// programs, and a packager may replace it; the built-in copy keeps a program
// that runs from the build tree (or from a broken installation) helpful.
QUrl FindHelpPage(const QString& applicationDir, const QString& language = QString());

class HelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows the table of contents of `page`; false when the page cannot be read.
  bool OpenContents(const QUrl& page);
};

// Shows the contents of `page` in the help window of `owner` (made on first
// use as its direct child, so that it closes with it) and raises it; null,
// with no window left, when the page cannot be read.
HelpWindow* ShowHelpWindow(QWidget* owner, const QUrl& page);

}  // namespace tarcfg
