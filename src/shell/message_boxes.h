// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the shell and the dialogs show a message box.
//
// The application shows real QMessageBox windows; the GUI tests put in a
// recorder that remembers what was shown and gives prepared answers, so no
// test ever waits on a modal box.
#pragma once

#include <QString>

class QWidget;

namespace tarcfg {

enum class MessageIcon { None, Information, Exclamation, Stop, Question };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A message with one OK button.
  virtual void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text,
                        MessageIcon icon = MessageIcon::Question) = 0;
  // The same for a question whose Yes gives something up: No is the
  // default answer (Enter).
  virtual bool AskYesNoDefaultNo(QWidget* parent, const QString& text, MessageIcon icon) {
    return AskYesNo(parent, text, icon);
  }
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) override;
  bool AskYesNo(QWidget* parent, const QString& text, MessageIcon icon) override;
  bool AskYesNoDefaultNo(QWidget* parent, const QString& text, MessageIcon icon) override;
};

// Table text `id` as a QString (the table holds 8-bit Latin-1 texts).
QString TableText(int id);

}  // namespace tarcfg
