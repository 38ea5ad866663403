// SPDX-License-Identifier: GPL-3.0-or-later
// The list boxes of the configuration dialogs: a row of header labels over
// a list whose tab-separated rows are drawn at the headers' tab stops.
#pragma once

#include <QString>
#include <utility>
#include <vector>

#include "config/record_list.h"
#include "shell/dialog_units.h"

class QLabel;
class QListWidget;
class QWidget;

namespace tarcfg {

struct ListPanel {
  QWidget* area = nullptr;  // holds headers and list, for the dialog's layout
  QListWidget* list = nullptr;
  std::vector<QLabel*> headers;
};

struct ListHeader {
  QString text;
  int x = 0;  // dialog units from the list's left edge
};

// Headers at their positions, the list `width` x `height` dialog units
// below them; the first header is the list's label (its mnemonic moves
// the focus to the list). Tab stops are set from the headers.
ListPanel MakeListPanel(QWidget* parent, const DialogUnits& units,
                        const std::vector<ListHeader>& headers, int width, int height,
                        const char* listName);

// Replaces all rows without redrawing in between, then selects `select`
// (clamped to the last row) or nothing when it is negative or the list is
// empty.
void RefillList(QListWidget* list, const std::vector<QString>& rows, int select);

// The selected row, -1 when none.
int SelectedRow(const QListWidget* list);

// Puts an edited record back at `row` (0-based) and moves it to the table
// position its editor chose (its tablePosition, 0-based). Gives the row to
// select afterwards.
template <class Record>
int PutBackEdited(RecordList<Record>& list, int row, const Record& changed) {
  Record* entry = list.NodeAt(row + 1);
  if (!entry)
    return row;
  const bool moved = changed.tablePosition != entry->tablePosition;
  *entry = changed;
  if (!moved)
    return row;
  list.Move(row + 1, changed.tablePosition + 1);
  return changed.tablePosition;
}

}  // namespace tarcfg
