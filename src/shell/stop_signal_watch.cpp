// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/stop_signal_watch.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include "config/stop_signals.h"
#include "shell/main_window.h"

namespace tarcfg {

StopSignalWatch::StopSignalWatch(MainWindow& mainWindow, QObject* parent)
    : QObject(parent), window_(mainWindow) {
  // Until the window has closed, a second signal waits for it like the
  // first; afterwards it ends the process at once.
  StopSignals::SetHolding(true);
  if (StopSignals::descriptor() < 0)
    return;
  notifier_ = new QSocketNotifier(StopSignals::descriptor(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StopSignalWatch::OnSignal);
}

StopSignalWatch::~StopSignalWatch() {
  StopSignals::SetHolding(false);
}

void StopSignalWatch::OnSignal() {
  StopSignals::Drain();
  const int signal = StopSignals::caught();
  if (signal == 0 || exitStatus_ != 0)
    return;
  exitStatus_ = StopSignals::ExitStatus(signal);
  // The close the window's own close box gives: its deregistration
  // included, without a question nobody may be there to answer.
  window_.CloseWithoutQuestions();
  StopSignals::SetHolding(false);
  QCoreApplication::exit(exitStatus_);
}

}  // namespace tarcfg
