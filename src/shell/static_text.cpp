// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/static_text.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPainter>

#include "shell/accessibility.h"

namespace tarcfg {

void StaticText::RegisterStaticTextClass() {
  InstallAccessibleInterfaces();
}

StaticText::StaticText(QWidget* parent, int style) : QWidget(parent), style_(style) {
  RegisterStaticTextClass();
  // Every pixel is painted by paintEvent; Qt need not clear the background.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void StaticText::setText(const QString& text) {
  if (text == text_)
    return;
  const QString shownBefore = shownText();
  text_ = text;
  update();
  if (shownText() == shownBefore)
    return;
  // A reader that follows the field hears the new value.
  QAccessibleTextUpdateEvent textEvent(this, 0, shownBefore, shownText());
  QAccessible::updateAccessibility(&textEvent);
  QAccessibleValueChangeEvent valueEvent(this, shownText());
  QAccessible::updateAccessibility(&valueEvent);
}

QSize StaticText::sizeHint() const {
  QFontMetrics metrics(font());
  return QSize(metrics.horizontalAdvance(shownText()) + 2, metrics.height());
}

void StaticText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::WindowText));
  QRect area = rect();
  if (rightAligned()) {
    area.setRight(area.right() - 1);
    painter.drawText(area, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, shownText());
  } else {
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shownText());
  }
}

}  // namespace tarcfg
