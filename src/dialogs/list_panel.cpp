// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/list_panel.h"

#include <QLabel>
#include <QListWidget>

#include "shell/field_exchange.h"

namespace tarcfg {

ListPanel MakeListPanel(QWidget* parent, const DialogUnits& units,
                        const std::vector<ListHeader>& headers, int width, int height,
                        const char* listName) {
  ListPanel panel;
  panel.area = new QWidget(parent);
  panel.area->setFixedSize(units.ToPixelsX(width), units.ToPixelsY(height + 12));
  for (const ListHeader& header : headers) {
    auto* label = new QLabel(header.text, panel.area);
    label->setGeometry(units.ToPixels(header.x, 0, width - header.x, 8));
    panel.headers.push_back(label);
  }
  panel.list = new QListWidget(panel.area);
  panel.list->setObjectName(QString::fromLatin1(listName));
  panel.list->setSelectionMode(QAbstractItemView::SingleSelection);
  panel.list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  panel.list->setGeometry(units.ToPixels(0, 12, width, height));
  if (!panel.headers.empty())
    panel.headers.front()->setBuddy(panel.list);
  std::vector<QWidget*> headerWidgets(panel.headers.begin(), panel.headers.end());
  SetListTabStops(panel.list, headerWidgets, units);
  return panel;
}

void RefillList(QListWidget* list, const std::vector<QString>& rows, int select) {
  list->setUpdatesEnabled(false);
  {
    const QSignalBlocker blocker(list);
    list->clear();
    for (const QString& row : rows)
      list->addItem(row);
  }
  list->setUpdatesEnabled(true);
  if (select >= list->count())
    select = list->count() - 1;
  if (select >= 0) {
    list->setCurrentRow(select, QItemSelectionModel::ClearAndSelect);
  } else {
    list->clearSelection();
    list->setCurrentRow(-1);
  }
  // Listeners see one selection change per refill.
  emit list->itemSelectionChanged();
}

int SelectedRow(const QListWidget* list) {
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

}  // namespace tarcfg
