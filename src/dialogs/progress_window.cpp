// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/progress_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "config/string_table.h"
#include "shell/dialog_units.h"
#include "shell/message_boxes.h"
#include "shell/static_text.h"

namespace tarcfg {

ProgressBarGeometry ComputeProgressBar(int width, int percentage) {
  ProgressBarGeometry g;
  percentage = std::clamp(percentage, 0, 100);
  g.blockSize = std::max(width, 0) / 25;
  g.barWidth = 25 * g.blockSize + 4;
  g.inset = (3 * g.blockSize) / 8;
  g.barHeight = g.blockSize + 2 * g.inset + 2;
  g.filled = percentage * (g.barWidth - 6) / 100;
  // A block is drawn whole once its offset lies below the filled width.
  if (g.blockSize > 0)
    for (int offset = 0; offset < g.filled; offset += g.blockSize)
      g.blocks.emplace_back(3 + offset, g.inset + 1, g.blockSize - 2, g.blockSize);
  return g;
}

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("progressBar"));
}

void ProgressBar::SetPercentage(int percentage) {
  percentage_ = std::clamp(percentage, 0, 100);
  repaint();
}

void ProgressBar::paintEvent(QPaintEvent*) {
  const ProgressBarGeometry g = ComputeProgressBar(width(), percentage_);
  const int w = g.barWidth;
  const int h = g.barHeight;
  QPainter painter(this);
  // Lines end one pixel short of their end point, as the window system draws them.
  painter.fillRect(0, h - 1, w, 1, Qt::white);
  painter.fillRect(w - 1, 0, 1, h, Qt::white);
  const QColor grey(128, 128, 128);
  painter.fillRect(0, 0, w - 1, 1, grey);
  painter.fillRect(0, 0, 1, h - 1, grey);
  const QColor navy(0, 0, 128);
  for (const QRect& block : g.blocks)
    painter.fillRect(block, navy);
}

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("progressWindow"));
  const DialogUnits units(font());
  resize(units.ToPixelsX(215), units.ToPixelsY(64));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("progressIcon"));
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(
      style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(iconSize));
  icon->move(units.ToPixelsX(8), units.ToPixelsY(16));
  icon->resize(iconSize, iconSize);

  message_ = new StaticText(this);
  message_->setObjectName(QStringLiteral("progressMessage"));
  message_->setAccessibleName(tr("Progress"));
  message_->setGeometry(units.ToPixels(40, 8, 164, 8));

  bar_ = new ProgressBar(this);
  bar_->setGeometry(units.ToPixels(40, 20, 164, 12));

  // Present as in the window template, but never shown or usable.
  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("progressCancel"));
  cancel_->setGeometry(units.ToPixels(82, 44, 50, 14));
  cancel_->setEnabled(false);
  cancel_->hide();

  if (owner) {
    // The position counts from the owner's client area, which begins
    // below its menu bar.
    int clientTop = 0;
    if (auto* bar = owner->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
        bar && !bar->isHidden())
      clientTop = owner->isVisible() ? bar->geometry().bottom() + 1 : bar->sizeHint().height();
    const QPoint origin =
        owner->mapToGlobal(QPoint(units.ToPixelsX(0), clientTop + units.ToPixelsY(96)));
    move(origin);
  }
}

void ProgressWindow::SetMessage(const QString& text) {
  message_->setText(text);
}

QString ProgressWindow::message() const {
  return message_->text();
}

void ProgressWindow::ShowProgress(int percentage) {
  const QString text = percentage == 100
                           ? TableText(1015)
                           : QString::fromUtf8(FormatString(1014, percentage).c_str());
  SetMessage(text);
  bar_->SetPercentage(percentage);
}

void ProgressWindow::Finish() {
  finishing_ = true;
  QDialog::done(QDialog::Accepted);
  hide();
}

void ProgressWindow::reject() {
  QApplication::beep();
}

void ProgressWindow::accept() {
  QApplication::beep();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      QApplication::beep();
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  if (finishing_)
    event->accept();
  else
    event->ignore();
}

}  // namespace tarcfg
