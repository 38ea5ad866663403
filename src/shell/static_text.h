// SPDX-License-Identifier: GPL-3.0-or-later
// StaticText: the value field of the dialogs (router name, firmware version,
// line-status values, download progress text).
//
// It paints its text in one opaque step in the colours of the palette (the
// window's background and text colours), so a value that changes every
// second never flickers, shows at most 78 characters, and is left-aligned
// or, with the right-alignment style, right-aligned one pixel inside its
// right edge. It takes the font of its window, which is the user's
// application font, the one the dialog units are computed from.
//
// Assistive technology reads it through its accessible interface
// (shell/accessibility.h): named by its label, the shown text as its value;
// every change of the value is reported.
#pragma once

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

  // Installs the class's accessible interface; done once at start-up (and
  // by the first field), repeated calls are harmless.
  static void RegisterStaticTextClass();

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
