// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/export_file_dialog.h"

#include <QFileDialog>

namespace tarcfg {

QString QtExportFileDialog::GetExportFileName(QWidget* parent, const QString& caption,
                                              const QString& suggested, const QString& filter) {
  return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

}  // namespace tarcfg
