// SPDX-License-Identifier: GPL-3.0-or-later
// The user-interface side of a full reconfiguration by firmware download:
// it starts the download with the pending parameters and the tables that go
// with them, runs the progress window until the router reports back (or an
// error closes it), and then puts the router's new line into the main list
// and returns the window to the unregistered state.
#pragma once

#include <QObject>
#include <QPointer>

#include "config/records.h"
#include "dialogs/progress_window.h"
#include "protocol/router_protocol.h"

namespace tarcfg {

class MainWindow;

class FirmwareDownload : public QObject {
  Q_OBJECT
 public:
  explicit FirmwareDownload(MainWindow& window);

  // Starts the download; returns when the progress window has been closed
  // (at once, after message 40109, when the firmware cannot be used).
  void StartFullReconfiguration(const RouterParameters& pending);
  void OnDownloadProgress(int percentage);
  void OnDownloadFinished(const ScanAnswer& answer);
  // Closes the progress window if one is open (also after network errors).
  void CloseProgressWindow();

  ProgressWindow* progressWindow() const { return progress_; }

 private:
  MainWindow& window_;
  QPointer<ProgressWindow> progress_;
  // Set when the download ended before its window could be run.
  bool ended_ = false;
};

}  // namespace tarcfg
