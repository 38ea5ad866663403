// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the shell and the dialogs show a message box.
//
// The application shows real QMessageBox windows; the GUI tests put in a
// recorder that remembers what was shown and gives prepared answers, so no
// test ever waits on a modal box.
#pragma once

#include <QString>
#include <string>

class QWidget;

namespace tarcfg {

enum class MessageIcon { None, Information, Exclamation, Stop, Question };
// The answer of a question's default button, the one Enter gives.
enum class Answer { Yes, No };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A message with one OK button.
  virtual void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) = 0;
  // A question with Yes and No; true for Yes. A question whose Yes discards
  // or risks something makes No the default.
  virtual bool AskYesNo(QWidget* parent, const QString& text,
                        MessageIcon icon = MessageIcon::Question,
                        Answer defaultAnswer = Answer::Yes) = 0;
};

class QtMessageBoxes : public MessageBoxes {
 public:
  void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) override;
  bool AskYesNo(QWidget* parent, const QString& text, MessageIcon icon,
                Answer defaultAnswer) override;
};

// Table text `id` in the user's language as a QString.
QString TableText(int id);

// A message made of table texts (UTF-8) and router bytes: read as UTF-8 where
// it is valid, else byte for byte as Latin-1, as the router's own texts are.
QString MessageText(const std::string& text);

}  // namespace tarcfg
