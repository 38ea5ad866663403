// The help window: the user guide, an HTML page from the resources.
#pragma once

#include <QTextBrowser>

namespace tarcfg {

inline constexpr const char* kHelpPage = "qrc:/help/index.html";

class HelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows the table of contents of `page`; false when the page cannot be read.
  bool OpenContents(const QUrl& page);
};

}  // namespace tarcfg
