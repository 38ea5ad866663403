// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/dialog_units.h"

#include <QFontMetrics>
#include <algorithm>

namespace tarcfg {

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics metrics(font);
  // The average width of the 52 letters, rounded, is the horizontal base.
  int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  baseX_ = std::max(1, (letters / 26 + 1) / 2);
  baseY_ = std::max(1, metrics.height());
}

}  // namespace tarcfg
