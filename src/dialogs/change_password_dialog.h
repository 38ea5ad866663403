// SPDX-License-Identifier: GPL-3.0-or-later
// "Change Password": a new registration password, typed twice, and the
// right "&Configuration by this host, exclusively".
#pragma once

#include <QDialog>
#include <string>

#include "shell/message_boxes.h"

class QCheckBox;
class QLineEdit;

namespace tarcfg {

class ChangePasswordDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxPasswordLength = 10;

  ChangePasswordDialog(MessageBoxes& messages, const QString& routerName, bool exclusive,
                       QWidget* parent = nullptr);

  // Valid after OK.
  const std::string& newPassword() const { return newPassword_; }
  bool exclusive() const { return exclusive_; }

  void accept() override;

 private:
  // Field order: new password, confirmation, then their agreement.
  bool Exchange();

  MessageBoxes& messages_;
  QLineEdit* password_ = nullptr;
  QLineEdit* confirmation_ = nullptr;
  QCheckBox* exclusiveBox_ = nullptr;
  std::string newPassword_;
  bool exclusive_ = false;
};

}  // namespace tarcfg
