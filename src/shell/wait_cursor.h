// SPDX-License-Identifier: GPL-3.0-or-later
// The wait cursor for as long as the program waits for a router: set when
// the object is made, taken back when it goes, also on an exception.
// Qt keeps the override cursors as a stack, so nested waits each take back
// only their own.
#pragma once

#include <QGuiApplication>

namespace tarcfg {

class WaitCursor {
 public:
  WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace tarcfg
