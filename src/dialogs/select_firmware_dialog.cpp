// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/select_firmware_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "config/firmware_files.h"
#include "shell/dialog_units.h"

namespace tarcfg {

void FillFirmwareVersions(QListWidget* list, const std::string& directory, int dChannelProtocol,
                          const std::string& current) {
  list->clear();
  const QString wanted = QString::fromLatin1(current.c_str());
  for (const FirmwareFileEntry& entry :
       ListFirmwareFiles(directory, FirmwarePrefix(dChannelProtocol))) {
    list->addItem(QString::fromLatin1(entry.version.c_str()));
    if (!wanted.isEmpty() && list->currentRow() < 0 &&
        list->item(list->count() - 1)->text().compare(wanted, Qt::CaseInsensitive) == 0)
      list->setCurrentRow(list->count() - 1);
  }
}

SelectFirmwareDialog::SelectFirmwareDialog(const std::string& directory, int dChannelProtocol,
                                           const std::string& current, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("selectFirmwareDialog"));
  setWindowTitle(tr("Select Firmware"));
  const DialogUnits units(font());
  setFixedSize(units.ToPixelsX(185), units.ToPixelsY(74));

  auto* label = new QLabel(tr("&Versions:"), this);
  label->setGeometry(units.ToPixels(8, 8, 112, 8));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("versions"));
  list_->setAccessibleName(tr("Firmware versions"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSortingEnabled(false);
  list_->setGeometry(units.ToPixels(8, 20, 112, 48));
  label->setBuddy(list_);

  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
  buttons->setGeometry(units.ToPixels(128, 6, 50, 40));
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName(QStringLiteral("okButton"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  FillFirmwareVersions(list_, directory, dChannelProtocol, current);
  UpdateOk();
  connect(list_, &QListWidget::itemSelectionChanged, this, &SelectFirmwareDialog::UpdateOk);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
  list_->setFocus();
}

void SelectFirmwareDialog::UpdateOk() {
  ok_->setEnabled(!list_->selectedItems().isEmpty());
}

void SelectFirmwareDialog::accept() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.isEmpty())
    return;
  version_ = selected.front()->text().toLatin1().toStdString();
  QDialog::accept();
}

}  // namespace tarcfg
