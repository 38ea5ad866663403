// SPDX-License-Identifier: GPL-3.0-or-later
// WM_ROUTER_MONITOR: how a monitoring dialog learns that a result is ready.
//
// The protocol's callbacks never touch a dialog; they store their result in
// the hand-over (monitor_hand_over.h) and post this event to the dialog that
// is registered there. wParam is always 0; lParam is the address of the
// buffer that holds the result, as the dialog's hand-over gave it.
#pragma once

#include <QEvent>

namespace tarcfg {

inline constexpr QEvent::Type WM_ROUTER_MONITOR = static_cast<QEvent::Type>(QEvent::User + 0x467);

class RouterMonitorEvent : public QEvent {
 public:
  RouterMonitorEvent(int wParam, const void* lParam)
      : QEvent(WM_ROUTER_MONITOR), wParam_(wParam), lParam_(lParam) {}
  int wParam() const { return wParam_; }
  const void* lParam() const { return lParam_; }

 private:
  int wParam_;
  const void* lParam_;
};

}  // namespace tarcfg
