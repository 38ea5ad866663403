// SPDX-License-Identifier: GPL-3.0-or-later
// The program icon and the main window's picture are the program's own PNG
// resources, not the stand-ins drawn when a picture cannot be read.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "shell/about_dialog.h"

namespace tarcfg::testing {
namespace {

void ExpectResourceImage(const QPixmap& pixmap, const char* resource) {
  const QImage expected =
      QImage(QString::fromLatin1(resource)).convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(expected.isNull()) << resource;
  EXPECT_EQ(pixmap.toImage().convertToFormat(QImage::Format_ARGB32), expected) << resource;
}

TEST(ProgramPictures, AreTheResourceImages) {
  ExpectResourceImage(ProgramIcon(), ":/icons/tarcfg.png");
  ExpectResourceImage(MainWindowPicture(), ":/icons/picture.png");
}

}  // namespace
}  // namespace tarcfg::testing
