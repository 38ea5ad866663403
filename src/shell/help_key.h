// SPDX-License-Identifier: GPL-3.0-or-later
// F1 opens the user guide from every window of the tool.
//
// The key is caught for the whole application while the main window lives.
// In the main window, and whenever no other window is modal, it does what
// Help, Contents does. Over a modal dialog (every other window of the tool
// runs modally, which would leave the main window's help window visible but
// out of reach) the guide opens in a help window of that dialog, which
// closes with it. F1 in a help window does nothing more.
#pragma once

#include <QObject>

namespace tarcfg {

class MainWindow;

class HelpKey : public QObject {
  Q_OBJECT
 public:
  explicit HelpKey(MainWindow& window);
  ~HelpKey() override;

  // Opens the user guide where the user works now (see above).
  void OpenHelp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  MainWindow& window_;
};

}  // namespace tarcfg
