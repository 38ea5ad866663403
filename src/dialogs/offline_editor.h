// SPDX-License-Identifier: GPL-3.0-or-later
// Editing a ".cfg" file without a router: the main window's
// "Open Configuration..." asks for the file and for the router's operating
// mode (a permanent connection allows one line target, and FV64S only the
// phone numbers 0 and 1), then Line Targets edits the file. Nothing is sent.
#pragma once

#include <QDialog>

#include "dialogs/file_dialogs.h"

class QComboBox;

namespace tarcfg {

class MainWindow;
class ShellContext;

// "Operating Mode": the mode a configuration file is read and checked in;
// a switched line unless the user picks a permanent connection.
class OperatingModeChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit OperatingModeChoiceDialog(QWidget* parent = nullptr);
  // 0 for a switched line, 1..3 for a permanent connection.
  int permanentConnection() const;

 private:
  QComboBox* modes_ = nullptr;
};

// Asks for a file and the mode, reads the file and runs Line Targets on it
// (modal). A file that does not load is reported and nothing opens.
void RunOfflineEditor(QWidget* parent, ShellContext& context, FileDialogs& files);

}  // namespace tarcfg
