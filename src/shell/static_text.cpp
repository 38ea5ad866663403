// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/static_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <memory>

namespace tarcfg {
namespace {

std::unique_ptr<QFont>& FontSlot() {
  static std::unique_ptr<QFont> font;
  return font;
}

}  // namespace

void StaticText::RegisterStaticTextClass() {
  if (FontSlot())
    return;
  auto font = std::make_unique<QFont>(QStringLiteral("MS Sans Serif"));
  font->setStyleHint(QFont::SansSerif);
  font->setPointSize(8);
  font->setWeight(QFont::Normal);
  FontSlot() = std::move(font);
}

const QFont& StaticText::SharedFont() {
  RegisterStaticTextClass();
  return *FontSlot();
}

StaticText::StaticText(QWidget* parent, int style) : QWidget(parent), style_(style) {
  // Every pixel is painted by paintEvent; Qt need not clear the background.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFont(SharedFont());
}

void StaticText::setText(const QString& text) {
  if (text == text_)
    return;
  text_ = text;
  update();
}

QSize StaticText::sizeHint() const {
  QFontMetrics metrics(font());
  return QSize(metrics.horizontalAdvance(shownText()) + 2, metrics.height());
}

void StaticText::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(192, 192, 192));
  painter.setFont(font());
  painter.setPen(Qt::black);
  QRect area = rect();
  if (rightAligned()) {
    area.setRight(area.right() - 1);
    painter.drawText(area, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, shownText());
  } else {
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shownText());
  }
}

}  // namespace tarcfg
