// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of the line target to dial from the Line Status dialog.
//
// The Line Status dialog asks a chooser, so the real "Setup Connection"
// dialog of the configuration dialogs can be plugged in without this
// library depending on them. The default chooser is a small stand-in with
// the same behaviour: the line-target list, OK enabled once a row is
// selected, a double-click acting as OK.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "config/configuration.h"

class QListWidget;
class QPushButton;

namespace tarcfg {

// The 0-based position of the chosen line target (-1: OK without a row), or
// nothing when the choice was cancelled.
using LineTargetChooser =
    std::function<std::optional<int>(QWidget* parent, const LineTargetList& lineTargets)>;

// The stand-in "Setup Connection" dialog.
class StandInSetupConnectionDialog : public QDialog {
  Q_OBJECT
 public:
  StandInSetupConnectionDialog(const LineTargetList& lineTargets, QWidget* parent = nullptr);
  // The selected row, -1 when none.
  int selectedIndex() const;

 private:
  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// Runs StandInSetupConnectionDialog modally.
std::optional<int> ChooseLineTargetStandIn(QWidget* parent, const LineTargetList& lineTargets);

}  // namespace tarcfg
