// SPDX-License-Identifier: GPL-3.0-or-later
// StaticText: the value field of the dialogs (router name, firmware version,
// line-status values, download progress text).
//
// It paints its text in one opaque step on light grey, so a value that
// changes every second never flickers, shows at most 78 characters, and is
// left-aligned or, with the right-alignment style, right-aligned one pixel
// inside its right edge. All StaticText fields share one 8-point font.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

namespace tarcfg {

class StaticText : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxShownCharacters = 78;
  // The style bit of the window templates that asks for right alignment.
  static constexpr int kRightAlignStyle = 2;

  explicit StaticText(QWidget* parent = nullptr, int style = 0);

  // Creates the shared font; done once at start-up, repeated calls are harmless.
  static void RegisterStaticTextClass();
  static const QFont& SharedFont();

  QString text() const { return text_; }
  void setText(const QString& text);
  bool rightAligned() const { return (style_ & kRightAlignStyle) != 0; }
  // The text as painted: its first 78 characters.
  QString shownText() const { return text_.left(kMaxShownCharacters); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  int style_ = 0;
};

}  // namespace tarcfg
