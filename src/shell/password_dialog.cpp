// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/password_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "shell/field_exchange.h"

namespace tarcfg {

PasswordDialog::PasswordDialog(MessageBoxes& messages, QWidget* parent)
    : QDialog(parent), messages_(messages) {
  setObjectName(QStringLiteral("passwordDialog"));
  setWindowTitle(tr("Tarnex - Password"));
  auto* label = new QLabel(tr("Enter Your &Password:"), this);
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("password"));
  edit_->setEchoMode(QLineEdit::Password);
  edit_->setMaxLength(kMaxPasswordLength);
  label->setBuddy(edit_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(edit_);
  layout->addWidget(buttons);
  edit_->setFocus();
}

void PasswordDialog::accept() {
  DataExchange exchange(DataExchange::Direction::Save, this, messages_);
  std::string typed;
  if (!ExchangeText(exchange, edit_, typed, kMaxPasswordLength))
    return;
  password_ = typed;
  QDialog::accept();
}

}  // namespace tarcfg
