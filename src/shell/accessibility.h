// SPDX-License-Identifier: GPL-3.0-or-later
// What assistive technology (screen readers, magnifiers) learns of the
// tool's own controls.
//
// StaticText, the value field, is a plain QWidget to Qt: without help it
// would be read as its group box's title and nothing more. Its accessible
// interface names it by the label beside it and gives the shown value as
// its value and text, and StaticText reports every change of the value, so
// a reader follows Line Status live.
#pragma once

#include <QString>

class QListWidget;
class QWidget;

namespace tarcfg {

// Installs the accessible interface of StaticText; repeated calls do nothing.
void InstallAccessibleInterfaces();

// The text of the label that names `widget`: its accessible name when one
// is set, else a label whose buddy it is, else the label in front of it in
// its layout (the cell to its left in a grid, the widget before it in a row,
// the label of its form row), else the title of its group box. Mnemonic
// ampersands and a trailing colon are left out; empty when nothing names it.
QString LabelOf(const QWidget* widget);

// A router line as a reader says it: the columns apart by a comma, and a
// router that another host holds, which the list puts in parentheses, said
// in words ("00-60-1a-10-00-01, 198.51.100.10, held by another host"). A
// line that is not a router's is returned as it is.
QString SpokenRouterLine(const QString& line);

// Gives every line the router list gets from now on its spoken form.
void SpeakRouterLines(QListWidget* list);

}  // namespace tarcfg
