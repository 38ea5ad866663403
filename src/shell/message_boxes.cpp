// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/message_boxes.h"

#include <QMessageBox>
#include <QString>

#include "config/string_table.h"
#include "config/text_scan.h"

namespace tarcfg {
namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Message boxes carry the program's caption, as every window of it does.
QString Caption() {
  return TableText(57344);
}

}  // namespace

void QtMessageBoxes::ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) {
  QMessageBox box(ToQt(icon), Caption(), text, QMessageBox::Ok, parent);
  box.exec();
}

bool QtMessageBoxes::AskYesNo(QWidget* parent, const QString& text, MessageIcon icon,
                              Answer defaultAnswer) {
  QMessageBox box(ToQt(icon), Caption(), text, QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(defaultAnswer == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

QString TableText(int id) {
  return QString::fromUtf8(LoadString(id));
}

QString MessageText(const std::string& text) {
  return QString::fromStdString(TextAsUtf8(text));
}

}  // namespace tarcfg
