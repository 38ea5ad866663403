// SPDX-License-Identifier: GPL-3.0-or-later
// The password prompt of a registration: "Enter Your &Password:", one
// masked field of at most 10 characters, OK and Cancel.
#pragma once

#include <QDialog>
#include <string>

#include "shell/message_boxes.h"

class QLineEdit;

namespace tarcfg {

class PasswordDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxPasswordLength = 10;

  PasswordDialog(MessageBoxes& messages, QWidget* parent);

  // The typed password, valid after OK.
  const std::string& password() const { return password_; }

  void accept() override;

 private:
  MessageBoxes& messages_;
  QLineEdit* edit_ = nullptr;
  std::string password_;
};

}  // namespace tarcfg
