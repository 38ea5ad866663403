// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog units: the layout unit of the window templates, a quarter of the
// dialog font's average character width horizontally and an eighth of its
// height vertically. Positions given in dialog units become pixels here.
#pragma once

#include <QFont>
#include <QRect>

namespace tarcfg {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }

  // Rounded to the nearest pixel, as the window system converts them.
  int ToPixelsX(int units) const { return (units * baseX_ + 2) / 4; }
  int ToPixelsY(int units) const { return (units * baseY_ + 4) / 8; }
  QRect ToPixels(int x, int y, int width, int height) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
  }

 private:
  int baseX_ = 6;
  int baseY_ = 13;
};

}  // namespace tarcfg
