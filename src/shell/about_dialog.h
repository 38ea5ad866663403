// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: program icon, product name and version line, OK.
#pragma once

#include <QDialog>
#include <QPixmap>

namespace tarcfg {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit AboutDialog(QWidget* parent);
};

// The program icon and the picture of the main window, from the resources;
// drawn here when a resource is missing, so the window never goes blank.
QPixmap ProgramIcon();
QPixmap MainWindowPicture();

}  // namespace tarcfg
