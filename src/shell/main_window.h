// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the list of routers on the local network, the
// registration with one of them, and the buttons that open every other
// window of the program.
//
// The protocol reports through callbacks; they never change the window's
// registration state directly but post WM_ROUTER_STATE, and messages and
// dialogs that follow from a callback are posted too, so they open only
// after the protocol has finished handling the datagram or tick.
#pragma once

#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "shell/dialog_units.h"
#include "shell/help_window.h"
#include "shell/router_entries.h"
#include "shell/shell_context.h"
#include "shell/wait_cursor.h"

class QAction;
class QLabel;
class QListWidget;
class QMenuBar;
class QPushButton;
class QSocketNotifier;
class QStatusBar;
class QTimer;

namespace tarcfg {

class PictureButton;

// Posted to the main window: wParam 0 = now registered with the selected
// router, 1 = not (or no longer) registered.
inline constexpr QEvent::Type WM_ROUTER_STATE = static_cast<QEvent::Type>(QEvent::User + 0x466);

class RouterStateEvent : public QEvent {
 public:
  explicit RouterStateEvent(int wParam) : QEvent(WM_ROUTER_STATE), wParam_(wParam) {}
  int wParam() const { return wParam_; }

 private:
  int wParam_;
};

// The windows the main window opens for a registered router.
enum class RouterDialog { LineTargets, Connections, Accounting, RouterOverview };

// Where the dialogs of the other parts of the program plug in. The main
// window's flows call these and know nothing else about those windows.
struct ShellDialogs {
  // Opens one of the router windows (modal; returns when it is closed).
  std::map<RouterDialog, std::function<void(class MainWindow&)>> routerDialogs;
  // The Router Configuration dialog on the current parameters: the new
  // parameters after OK, nothing after Cancel.
  std::function<std::optional<RouterParameters>(class MainWindow&, const RouterParameters&)>
      editRouterParameters;
  // A full reconfiguration by firmware download with the pending parameters.
  std::function<void(class MainWindow&, const RouterParameters&)> startFullReconfiguration;
  // Closes the download progress window, if one is open.
  std::function<void()> closeProgressWindow;
  // "Open Configuration...": a configuration file edited without a router.
  std::function<void(class MainWindow&)> editConfigurationFile;
  // "History...": the registered router's kept configurations (modal).
  std::function<void(class MainWindow&)> showHistory;
};

struct MainWindowOptions {
  // The one-second timer and the socket notifier; tests drive ticks and
  // datagrams by hand instead.
  bool driveProtocol = true;
  // After the scan: save a picture of the window here and close it.
  QString screenshotPath;
};

// A QDialog rather than a QMainWindow on purpose: the program's only
// top-level window runs modally (exec() in RunApplication) like every
// dialog it opens, and the program ends when it ends; and it keeps a
// dialog's keyboard, except that Escape (reject) deregisters from the
// router instead of closing the window.
class MainWindow : public QDialog {
  Q_OBJECT
 public:
  explicit MainWindow(ShellContext& context, MainWindowOptions options = {},
                      QWidget* parent = nullptr);
  ~MainWindow() override;

  ShellContext& context() { return context_; }
  ShellDialogs& dialogs() { return dialogs_; }
  const DialogUnits& units() const { return units_; }

  // Initialisation: tab stops, command states, the protocol and the scan.
  // Runs once; the application calls it after showing the window.
  void Start();

  // --- The window's operations ------------------------------------------
  void UpdateCommandStates();
  int StartDiscovery();
  void OnRouterFound(const ScanAnswer& answer);
  void OnSelectionChanged();
  // After a download: the selected router's line becomes the one of its
  // announcement, is selected again, and its entry takes the new name and
  // hardware address.
  void ReplaceSelectedRouter(const ScanAnswer& answer);
  void OpenRouterDialog(RouterDialog kind);
  void OpenConfigurationFile();
  void ShowHistory();
  void ShowGuiSettings();
  void ShowHelpContents();
  void ShowAbout();
  void PostRouterState(int wParam);

  // --- Registration flows ------------------------------------------------
  void RegisterSelectedRouter();
  void OnRegistrationReply(const RegistrationResult& result);
  void PromptPassword(std::uint16_t challengeSequence, std::uint16_t seed);
  void OnConfigurationLoaded(Configuration& loaded);
  void DeregisterRouter();
  void EndRegistration();
  void EditRouterParameters();
  void ApplyRouterParameters(const RouterParameters& changed, int kind);
  void OnNetworkError(int code);

  // Deregisters and closes the help window; runs once, when the window ends.
  void Shutdown();

  bool registered() const { return registered_; }
  bool routersAvailable() const { return routersAvailable_; }
  bool waitCursorActive() const { return waitCursor_.has_value(); }
  // The line under the buttons: what the window waits for, empty when it
  // waits for nothing.
  QString statusText() const;
  HelpWindow* helpWindow() const { return help_; }
  void SetHelpPage(const QUrl& page) { helpPage_ = page; }
  const QUrl& helpPage() const { return helpPage_; }

  void reject() override;  // Escape: deregister, never close
  // File > Exit and the close box. While a configuration write is
  // outstanding the user is first told which entries the router may not
  // hold yet and asked (No by default); a stop signal does not ask.
  void done(int result) override;
  void CloseWithoutQuestions();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildWindow();
  void BuildMenu();
  QPushButton* AddButton(const char* name, const QString& text, int x, int y);
  QLabel* AddLabel(const char* name, const QString& text, int x, int y, int width = 64);
  void OnRouterState(int wParam);
  // Runs `action` after the current callback has returned.
  void Post(std::function<void()> action);
  void Show(const QString& text, MessageIcon icon);
  // The wait cursor and `status` in the status line until EndWaitCursor;
  // `grab` also keeps the mouse from the window's controls.
  void BeginWaitCursor(const QString& status, bool grab = false);
  void EndWaitCursor();
  // The router as the window's list names it.
  QString RouterName() const;
  void OnParametersConfirmed();
  RouterEntry* SelectedEntry();
  void SaveScreenshot();

  ShellContext& context_;
  MainWindowOptions options_;
  ShellDialogs dialogs_;
  DialogUnits units_;

  QMenuBar* menuBar_ = nullptr;
  QWidget* client_ = nullptr;
  QStatusBar* status_ = nullptr;
  QLabel* headerHardware_ = nullptr;
  QLabel* headerName_ = nullptr;
  QListWidget* list_ = nullptr;
  QPushButton* routerButton_ = nullptr;
  QPushButton* lineTargetsButton_ = nullptr;
  QPushButton* connectionsButton_ = nullptr;
  QPushButton* accountingButton_ = nullptr;
  QPushButton* registerButton_ = nullptr;
  QPushButton* deregisterButton_ = nullptr;
  QPushButton* overviewButton_ = nullptr;
  QAction* historyAction_ = nullptr;
  PictureButton* picture_ = nullptr;
  QPointer<HelpWindow> help_;
  QUrl helpPage_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer* ticker_ = nullptr;

  bool started_ = false;
  bool shutDown_ = false;
  bool quitConfirmed_ = false;  // the user chose to quit, or a signal did
  bool ConfirmQuit();
  bool registered_ = false;
  bool routersAvailable_ = false;
  std::optional<WaitCursor> waitCursor_;
};

}  // namespace tarcfg
