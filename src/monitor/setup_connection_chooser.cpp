// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/setup_connection_chooser.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/dialog_units.h"
#include "shell/field_exchange.h"

namespace tarcfg {

StandInSetupConnectionDialog::StandInSetupConnectionDialog(const LineTargetList& lineTargets,
                                                           QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("setupConnectionDialog"));
  setWindowTitle(tr("Setup Connection"));

  auto* headers = new QHBoxLayout;
  auto* position = new QLabel(tr("&Position"), this);
  auto* host = new QLabel(tr("Host Name"), this);
  auto* phone = new QLabel(tr("Phone Number"), this);
  headers->addWidget(position, 1);
  headers->addWidget(host, 3);
  headers->addWidget(phone, 2);

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("lineTargetList"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  position->setBuddy(list_);
  int row = 1;
  for (const LineTarget& target : lineTargets) {
    list_->addItem(QStringLiteral("%1.\t%2\t%3")
                       .arg(row++)
                       .arg(QString::fromLatin1(target.hostName.c_str()),
                            QString::fromLatin1(target.phoneNumber.c_str())));
  }
  list_->setCurrentRow(-1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName(QStringLiteral("okButton"));
  ok_->setEnabled(false);
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(headers);
  layout->addWidget(list_);
  layout->addWidget(buttons);

  // Tab stops after the layout has placed the headers.
  adjustSize();
  SetListTabStops(list_, {position, host, phone}, DialogUnits(font()));

  connect(list_, &QListWidget::itemSelectionChanged, this,
          [this] { ok_->setEnabled(list_->count() > 0 && selectedIndex() >= 0); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int StandInSetupConnectionDialog::selectedIndex() const {
  const auto selected = list_->selectedItems();
  return selected.isEmpty() ? -1 : list_->row(selected.front());
}

std::optional<int> ChooseLineTargetStandIn(QWidget* parent, const LineTargetList& lineTargets) {
  StandInSetupConnectionDialog dialog(lineTargets, parent);
  if (dialog.exec() != QDialog::Accepted)
    return std::nullopt;
  return dialog.selectedIndex();
}

}  // namespace tarcfg
