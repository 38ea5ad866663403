// SPDX-License-Identifier: GPL-3.0-or-later
// A dark colour scheme as a desktop's dark theme hands it to the programs,
// for the screenshot tools' --dark: whatever the tool paints itself must
// follow it, leaving no light patches.
#pragma once

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QString>

namespace tarcfg::testing {

inline QPalette DarkPalette() {
  QPalette palette;
  const QColor window(45, 45, 48);
  const QColor text(224, 224, 224);
  const QColor disabled(128, 128, 128);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, QColor(30, 30, 30));
  palette.setColor(QPalette::AlternateBase, QColor(40, 40, 42));
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, QColor(58, 58, 62));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, Qt::white);
  palette.setColor(QPalette::Light, QColor(80, 80, 84));
  palette.setColor(QPalette::Midlight, QColor(64, 64, 68));
  palette.setColor(QPalette::Mid, QColor(30, 30, 32));
  palette.setColor(QPalette::Dark, QColor(24, 24, 26));
  palette.setColor(QPalette::Shadow, Qt::black);
  palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, window);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, disabled);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, disabled);
  return palette;
}

// Takes --dark out of the arguments (before QApplication sees them); true
// when it was there.
inline bool TakeDarkOption(int& argc, char** argv) {
  bool dark = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--dark"))
      dark = true;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return dark;
}

// The dark palette for the whole application, in a style that takes every
// colour from the palette.
inline void UseDarkPalette() {
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setPalette(DarkPalette());
}

}  // namespace tarcfg::testing
