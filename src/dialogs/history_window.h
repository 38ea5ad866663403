// SPDX-License-Identifier: GPL-3.0-or-later
// "Configuration History": the registered router's kept configurations,
// newest first, each with the time it was kept, the operation that kept it
// and what that operation was about to send. One version is compared with
// the router's lists as last read or written, two with each other, side by
// side with the changed fields highlighted (Compare). Restore loads a
// version into the working lists, where Show Changes and OK of Line
// Targets send it as any edit.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "config/config_history.h"
#include "config/configuration.h"
#include "config/write_plan.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tarcfg {

class ShellContext;

// One row of a comparison: an entry at one table position, as each side
// holds it, with the fields that differ when both hold one.
struct ComparedEntry {
  enum class State { kSame, kChanged, kAdded, kRemoved };
  QString entry;        // "Line target 2"
  QString left, right;  // the entry's fields in short; empty on the side without it
  State state = State::kSame;
  std::vector<FieldChange> fields;  // kChanged: each differing field
};

// Every position of the three tables, `left` against `right`, as the core
// comparison (CompareConfigurations) finds them, and first the router
// parameters that differ when both sides state them.
std::vector<ComparedEntry> SideBySideRows(const Configuration& left, const Configuration& right,
                                          const PlanTexts& texts,
                                          const RouterParameters* leftRouter = nullptr,
                                          const RouterParameters* rightRouter = nullptr);

// The side-by-side view of two configurations.
class ComparisonDialog : public QDialog {
  Q_OBJECT
 public:
  ComparisonDialog(const QString& leftTitle, const QString& rightTitle,
                   const std::vector<ComparedEntry>& entries, QWidget* parent = nullptr);
};

class HistoryWindow : public QDialog {
  Q_OBJECT
 public:
  HistoryWindow(ShellContext& context, const QString& routerName, QWidget* parent = nullptr);

  // True after Restore loaded a version into the working lists.
  bool restored() const { return restored_; }
  const std::vector<HistoryEntry>& versions() const { return versions_; }

  void Compare();
  void Restore();

 private:
  void UpdateButtons();
  std::vector<int> SelectedRows() const;
  // Reads version `row`; false (after the message) when it does not load.
  bool ReadVersion(int row, Configuration& into);

  ShellContext& context_;
  std::vector<HistoryEntry> versions_;
  QTreeWidget* list_ = nullptr;
  QLabel* sent_ = nullptr;
  QPushButton* compare_ = nullptr;
  QPushButton* restore_ = nullptr;
  bool restored_ = false;
};

// Runs the History window for the registered router (modal); says so
// instead when nothing has been kept for it. True when a version was
// restored into the working lists.
bool RunHistoryWindow(QWidget* parent, ShellContext& context, const QString& routerName);

}  // namespace tarcfg
