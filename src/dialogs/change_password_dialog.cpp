// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/change_password_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/field_exchange.h"
#include "shell/static_text.h"

namespace tarcfg {

ChangePasswordDialog::ChangePasswordDialog(MessageBoxes& messages, const QString& routerName,
                                           bool exclusive, QWidget* parent)
    : QDialog(parent), messages_(messages), exclusive_(exclusive) {
  setObjectName(QStringLiteral("changePasswordDialog"));
  setWindowTitle(tr("Change Password"));

  auto* router = new StaticText(this);
  router->setObjectName(QStringLiteral("routerName"));
  router->setText(routerName);
  password_ = new QLineEdit(this);
  password_->setObjectName(QStringLiteral("newPassword"));
  password_->setEchoMode(QLineEdit::Password);
  confirmation_ = new QLineEdit(this);
  confirmation_->setObjectName(QStringLiteral("confirmPassword"));
  confirmation_->setEchoMode(QLineEdit::Password);
  exclusiveBox_ = new QCheckBox(tr("&Configuration by this host, exclusively"), this);
  exclusiveBox_->setObjectName(QStringLiteral("exclusive"));
  exclusiveBox_->setChecked(exclusive);

  auto* form = new QFormLayout;
  form->addRow(tr("Router:"), router);
  form->addRow(tr("&New Password:"), password_);
  form->addRow(tr("Confirm &Password:"), confirmation_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(exclusiveBox_);
  layout->addWidget(buttons);
  password_->setFocus();
}

bool ChangePasswordDialog::Exchange() {
  DataExchange exchange(DataExchange::Direction::Save, this, messages_);
  std::string typed;
  std::string confirmed;
  if (!ExchangeText(exchange, password_, typed, kMaxPasswordLength))
    return false;
  if (!ExchangeText(exchange, confirmation_, confirmed, kMaxPasswordLength))
    return false;
  if (typed != confirmed) {
    exchange.Fail(confirmation_, TableText(40106));
    return false;
  }
  newPassword_ = typed;
  exclusive_ = exclusiveBox_->isChecked();
  return true;
}

void ChangePasswordDialog::accept() {
  if (Exchange())
    QDialog::accept();
}

}  // namespace tarcfg
