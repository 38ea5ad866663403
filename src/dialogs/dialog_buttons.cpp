// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/dialog_buttons.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "shell/static_text.h"

namespace tarcfg {

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog) {
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QPushButton* SideButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QHBoxLayout* MakeRouterRow(QWidget* parent, const QString& routerName) {
  auto* row = new QHBoxLayout;
  row->addWidget(
      new QLabel(QCoreApplication::translate("tarcfg::DialogButtons", "Router:"), parent));
  auto* router = new StaticText(parent);
  router->setObjectName(QStringLiteral("routerName"));
  router->setText(routerName);
  row->addWidget(router, 1);
  return row;
}

}  // namespace tarcfg
