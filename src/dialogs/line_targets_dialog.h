// SPDX-License-Identifier: GPL-3.0-or-later
// "Line Targets": the editing hub for the registered router's line targets,
// routes and filters. OK writes the differences of all three working lists
// to the router; Cancel restores them from the saved copies. While a write
// is outstanding nothing in the dialog edits the lists, and Cancel only
// stops waiting: the write goes on, and what it wrote still becomes the
// working and saved lists. Its "&File" menu saves the configuration to a
// ".cfg" file and loads one.
//
// Without a router the same dialog edits a ".cfg" file (OfflineConfiguration):
// every editor and check works as for a router, Save and Save As write the
// file, and nothing reaches a router: OK and Show Changes are not there.
//
// "Setup Connection" shows the same list and lets the user pick the line
// target of a manual connection.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "dialogs/file_dialogs.h"
#include "shell/dialog_units.h"
#include "shell/shell_context.h"

class QAction;
class QLabel;
class QListWidget;
class QPushButton;

namespace tarcfg {

class MainWindow;

// The row of one line target: "N.\thostName\tphoneNumber".
QString LineTargetRow(int number, const LineTarget& target);

// A ".cfg" file edited without a router: its lists, a copy of them as last
// read from or written to the file, and the router's permanent-connection
// mode chosen when it was opened (the reader and the editors check by it).
struct OfflineConfiguration {
  std::string path;
  int permanentConnection = 0;
  Configuration configuration;
  Configuration saved;
};

class LineTargetsDialog : public QDialog {
  Q_OBJECT
 public:
  // Needs the context's configuration and saved copies.
  LineTargetsDialog(ShellContext& context, FileDialogs& files, const QString& routerName,
                    QWidget* parent = nullptr);
  // Edits `offline` without a router; the window title names its file.
  LineTargetsDialog(ShellContext& context, FileDialogs& files, OfflineConfiguration& offline,
                    QWidget* parent = nullptr);

  bool offline() const { return offline_ != nullptr; }
  // At most 30 line targets, or one with a permanent connection.
  int lineTargetLimit() const;
  const std::string& rememberedFileName() const { return rememberedFileName_; }
  bool writeOutstanding() const { return writeOutstanding_; }

  void OpenSelected();
  void AddLineTarget();
  void DeleteSelected();
  void OpenFilterTable();
  void OpenRoutingTable();
  void ShowChanges();
  void OpenFile();
  // "History...": the router's kept versions (History window); a version
  // restored there becomes the working lists. Save still writes to the file
  // named before.
  void OpenHistory();
  void SaveFile();
  void SaveFileAs();

  // OK: writes the differences to the router; the dialog closes when the
  // router has confirmed the whole write.
  void accept() override;
  // Cancel or closing: every list back to its saved copy; while a write is
  // outstanding, the dialog closes and the lists stay as sent.
  void reject() override;

  // The entries OK would send, one line each, the fields separated by tabs:
  // "Line target N: written" (or "deleted"; N the 1-based table position),
  // host, phone number and, when the write takes them away, "PPP
  // identifications will be cleared"; "Route N: ...", netmask, match,
  // gateway; "Filter N: ...", send match, receive match, service, action.
  // Empty when nothing differs. Without a router: what differs from the
  // file as last read or written.
  QStringList PendingChanges() const;

 private:
  void Build();
  // The lists edited and their saved copies: the router's, or the file's.
  Configuration& work() const;
  const Configuration& saved() const;
  int permanentConnection() const;
  // The router section a saved file gets.
  RouterParameters FileParameters() const;
  void UpdateTitle();
  void Refill(int row);
  void UpdateButtons();
  // The write has ended: confirmed, or not (the router may hold part of it).
  void OnWriteEnded(bool confirmed);
  void WriteFile(const std::string& path);
  // Loads `path` into the working lists; false (after the message) when it
  // does not load.
  bool LoadFile(const std::string& path);

  ShellContext& context_;
  FileDialogs& files_;
  OfflineConfiguration* offline_ = nullptr;
  QString routerName_;
  DialogUnits units_;
  std::string rememberedFileName_;
  bool writeOutstanding_ = false;
  // A write failed: what the router holds is no longer known, so OK sends
  // nothing more from this dialog.
  bool writeFailed_ = false;
  QListWidget* list_ = nullptr;
  QPushButton* filters_ = nullptr;
  QPushButton* routes_ = nullptr;
  QAction* openFile_ = nullptr;
  QAction* history_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* changes_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLabel* status_ = nullptr;  // "Configuration saved to ..."
};

class SetupConnectionDialog : public QDialog {
  Q_OBJECT
 public:
  SetupConnectionDialog(const LineTargetList& lineTargets, QWidget* parent = nullptr);
  // The 0-based row chosen, -1 for none.
  int selectedRow() const;

 private:
  DialogUnits units_;
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// Runs Setup Connection on the working line targets: the chosen 0-based
// row after OK (-1 when none was selected), nothing after Cancel or when no
// configuration is loaded.
std::optional<int> RunSetupConnection(QWidget* parent, ShellContext& context);

// Runs the Line Targets dialog for the selected router (modal).
void RunLineTargets(MainWindow& window, FileDialogs& files);

// As InstallConfigurationDialogs, with the file dialogs to use.
void InstallConfigurationDialogs(MainWindow& window, FileDialogs& files);

}  // namespace tarcfg
