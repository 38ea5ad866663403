// SPDX-License-Identifier: GPL-3.0-or-later
// The table editors ("Filter Table", "Routing Table") and their entry
// editors ("Edit Filter", "Edit Route"), which work alike: a router name
// over a numbered list with Open, Add, Delete and Close beside it; an entry
// opens in an editor whose OK checks every field before anything is kept.
#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "dialogs/list_panel.h"
#include "shell/dialog_units.h"
#include "shell/field_exchange.h"
#include "shell/message_boxes.h"

class QListWidget;
class QPushButton;

namespace tarcfg {

class TableDialog : public QDialog {
  Q_OBJECT
 public:
  void OpenSelected();
  void AddEntry();
  void DeleteSelected();

 protected:
  explicit TableDialog(QWidget* parent);

  // Lays the dialog out and lists the entries: the router row and the list
  // (`headers`, `width` dialog units wide) on the left, the buttons on the
  // right with `extra` (if any) under Delete.
  void Build(const QString& routerName, const std::vector<ListHeader>& headers, int width,
             const char* listName, QWidget* extra);
  // Lists the rows again and selects `row`.
  void Refill(int row);

  const DialogUnits& units() const { return units_; }

 private:
  // The listed rows; numbers the entries' table positions as it goes.
  virtual std::vector<QString> Rows() = 0;
  // How many rows the table takes.
  virtual int capacity() const = 0;
  // Edits entry `row` (0-based): the row to select afterwards, nothing when
  // the edit was cancelled.
  virtual std::optional<int> EditRow(int row) = 0;
  // Adds an entry through the editor: the row to select, nothing when
  // cancelled.
  virtual std::optional<int> AddNew() = 0;
  // Removes entry `row`; false when there is no such entry.
  virtual bool RemoveRow(int row) = 0;

  void UpdateButtons();

  DialogUnits units_;
  QListWidget* list_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
};

// An entry editor on a copy of the entry's `Values`: loading fills the
// fields; OK checks and stores them into the copy and keeps it only when
// every field passed.
template <class Values>
class EntryEditor : public QDialog {
 public:
  const Values& values() const { return values_; }
  int highestPosition() const { return highest_; }

  void accept() override {
    DataExchange save(DataExchange::Direction::Save, this, messages_);
    Values checked = values_;
    Exchange(save, checked);
    if (save.failed())
      return;
    values_ = checked;
    QDialog::accept();
  }

 protected:
  EntryEditor(MessageBoxes& messages, int highestPosition, QWidget* parent)
      : QDialog(parent), messages_(messages), highest_(highestPosition) {}

  // Puts the values into the fields.
  void LoadFields() {
    DataExchange load(DataExchange::Direction::Load, this, messages_);
    Exchange(load, values_);
  }

  // Moves the values between the fields and `values`, in field order.
  virtual void Exchange(DataExchange& exchange, Values& values) = 0;

  MessageBoxes& messages_;
  const int highest_;
  Values values_;
};

}  // namespace tarcfg
