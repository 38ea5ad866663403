// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/table_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/dialog_buttons.h"

namespace tarcfg {

TableDialog::TableDialog(QWidget* parent) : QDialog(parent), units_(font()) {}

void TableDialog::Build(const QString& routerName, const std::vector<ListHeader>& headers,
                        int width, const char* listName, QWidget* extra) {
  ListPanel panel = MakeListPanel(this, units_, headers, width, 120, listName);
  list_ = panel.list;
  list_->setAccessibleName(windowTitle());

  open_ = SideButton(this, "openButton", tr("&Open"));
  add_ = SideButton(this, "addButton", tr("&Add"));
  delete_ = SideButton(this, "deleteButton", tr("&Delete"));
  QPushButton* close = SideButton(this, "closeButton", tr("Close"));
  close->setDefault(true);

  auto* side = new QVBoxLayout;
  side->addWidget(open_);
  side->addWidget(add_);
  side->addWidget(delete_);
  if (extra)
    side->addWidget(extra);
  side->addStretch();
  side->addWidget(close);
  auto* left = new QVBoxLayout;
  left->addLayout(MakeRouterRow(this, routerName));
  left->addWidget(panel.area);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(side);

  connect(list_, &QListWidget::itemSelectionChanged, this, &TableDialog::UpdateButtons);
  connect(list_, &QListWidget::itemDoubleClicked, this, &TableDialog::OpenSelected);
  connect(open_, &QPushButton::clicked, this, &TableDialog::OpenSelected);
  connect(add_, &QPushButton::clicked, this, &TableDialog::AddEntry);
  connect(delete_, &QPushButton::clicked, this, &TableDialog::DeleteSelected);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  Refill(-1);
  UpdateButtons();
}

void TableDialog::Refill(int row) {
  RefillList(list_, Rows(), row);
}

void TableDialog::UpdateButtons() {
  const bool selected = SelectedRow(list_) >= 0;
  open_->setEnabled(selected);
  delete_->setEnabled(selected);
  add_->setEnabled(list_->count() < capacity());
}

void TableDialog::OpenSelected() {
  const int row = SelectedRow(list_);
  if (row < 0)
    return;
  const std::optional<int> select = EditRow(row);
  if (!select)
    return;
  Refill(*select);
  UpdateButtons();
}

void TableDialog::AddEntry() {
  if (list_->count() >= capacity())
    return;
  const std::optional<int> select = AddNew();
  if (!select)
    return;
  Refill(*select);
  UpdateButtons();
}

void TableDialog::DeleteSelected() {
  const int row = SelectedRow(list_);
  if (row < 0 || !RemoveRow(row))
    return;
  Refill(row);
  UpdateButtons();
}

}  // namespace tarcfg
