// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/help_key.h"

#include <QApplication>
#include <QKeyEvent>

#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/message_boxes.h"

namespace tarcfg {

HelpKey::HelpKey(MainWindow& window) : QObject(&window), window_(window) {
  qApp->installEventFilter(this);
}

HelpKey::~HelpKey() {
  qApp->removeEventFilter(this);
}

bool HelpKey::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
    return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier)
    return false;
  if (qobject_cast<HelpWindow*>(static_cast<QWidget*>(watched)->window()))
    return false;
  OpenHelp();
  return true;
}

void HelpKey::OpenHelp() {
  // Only the modal window on top takes keys while one is open.
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal || modal == &window_) {
    window_.ShowHelpContents();
    return;
  }
  if (HelpWindow* help = ShowHelpWindow(modal, window_.helpPage()))
    help->activateWindow();
  else
    window_.context().messages.ShowMessage(modal, TableText(61703), MessageIcon::Stop);
}

}  // namespace tarcfg
