// SPDX-License-Identifier: GPL-3.0-or-later
// Ends the desktop tool on SIGINT, SIGTERM or SIGHUP the way File > Exit
// ends it: the main window closes - deregistering from a registered router -
// and every event loop, a modal dialog's too, ends with 128 + the signal.
// StopSignals::Install() must have been called.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace tarcfg {

class MainWindow;

class StopSignalWatch : public QObject {
  Q_OBJECT

 public:
  explicit StopSignalWatch(MainWindow& mainWindow, QObject* parent = nullptr);
  ~StopSignalWatch() override;

  // 128 + the signal once one ended the window, else 0.
  int exitStatus() const { return exitStatus_; }

 private:
  void OnSignal();

  MainWindow& window_;
  QSocketNotifier* notifier_ = nullptr;
  int exitStatus_ = 0;
};

}  // namespace tarcfg
