// SPDX-License-Identifier: GPL-3.0-or-later
// RegistrationWatch: tells a monitoring dialog that the registration it
// works on has ended. A failed request (time-out, busy, send error) ends
// the registration through the main window's error handling, which posts
// WM_ROUTER_STATE 1 to the main window; the watch sees that message on its
// way to the main window (the dialog's owner) and calls `lost`. The main
// window still handles the message itself.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <utility>

#include "shell/main_window.h"

namespace tarcfg {

class RegistrationWatch : public QObject {
 public:
  // Watches `owner` (nothing when it is null).
  RegistrationWatch(QWidget* owner, std::function<void()> lost, QObject* parent)
      : QObject(parent), owner_(owner), lost_(std::move(lost)) {
    if (owner_)
      owner_->installEventFilter(this);
  }
  ~RegistrationWatch() override {
    if (owner_)
      owner_->removeEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == owner_ && event->type() == WM_ROUTER_STATE &&
        static_cast<RouterStateEvent*>(event)->wParam() == 1 && lost_)
      lost_();
    return false;
  }

 private:
  QPointer<QWidget> owner_;
  std::function<void()> lost_;
};

}  // namespace tarcfg
