// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces the configuration dialogs build alike: the vertical OK/Cancel
// box, the side buttons beside a list, and the "Router:" row.
#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace tarcfg {

// A vertical OK/Cancel box on `dialog`, its buttons named "okButton" and
// "cancelButton", wired to accept() and reject().
QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog);

// A push button named `name` that never becomes the default on its own, so
// Enter in a list or field does not press it.
QPushButton* SideButton(QWidget* parent, const char* name, const QString& text);

// "Router:" and the router's name (a StaticText named "routerName").
QHBoxLayout* MakeRouterRow(QWidget* parent, const QString& routerName);

}  // namespace tarcfg
