// SPDX-License-Identifier: GPL-3.0-or-later
// The one way the configuration dialogs ask for a file name.
//
// The application shows Qt's own (non-native) file dialogs; the GUI tests
// put in a recorder that hands out prepared names, so no test ever waits on
// a modal file dialog.
#pragma once

#include <QString>

class QWidget;

namespace tarcfg {

class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // An existing file to read; empty when the user cancelled.
  virtual QString GetOpenFileName(QWidget* parent, const QString& filter) = 0;
  // The same, starting in `directory` (the configuration history of a router).
  virtual QString GetOpenFileNameIn(QWidget* parent, const QString& directory,
                                    const QString& filter) = 0;
  // A file to write, starting from `initialName`; the dialog asks before
  // an existing file is replaced. Empty when the user cancelled.
  virtual QString GetSaveFileName(QWidget* parent, const QString& initialName,
                                  const QString& filter) = 0;
};

class QtFileDialogs : public FileDialogs {
 public:
  QString GetOpenFileName(QWidget* parent, const QString& filter) override;
  QString GetOpenFileNameIn(QWidget* parent, const QString& directory,
                            const QString& filter) override;
  QString GetSaveFileName(QWidget* parent, const QString& initialName,
                          const QString& filter) override;
};

// The table's filter form "Text (*.a)|*.a|All (*.*)|*.*||" as Qt writes it:
// "Text (*.a);;All (*)". "*.*" becomes "*", which also matches names
// without a dot, as the classic pattern does.
QString QtFileFilter(const QString& tableFilter);

}  // namespace tarcfg
