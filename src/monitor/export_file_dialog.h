// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the monitoring dialogs ask for a file name, so that tests
// give the answer instead of a modal file dialog.
#pragma once

#include <QString>

class QWidget;

namespace tarcfg {

class ExportFileDialog {
 public:
  virtual ~ExportFileDialog() = default;
  // The chosen file, or an empty text when the user cancelled.
  virtual QString GetExportFileName(QWidget* parent, const QString& caption,
                                    const QString& suggested, const QString& filter) = 0;
};

class QtExportFileDialog : public ExportFileDialog {
 public:
  QString GetExportFileName(QWidget* parent, const QString& caption, const QString& suggested,
                            const QString& filter) override;
};

}  // namespace tarcfg
