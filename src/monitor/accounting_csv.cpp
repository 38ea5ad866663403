// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/accounting_csv.h"

#include <QSaveFile>
#include <QString>

namespace tarcfg {

bool WriteExportFile(const std::string& path, const std::string& text, std::string* error) {
  QSaveFile file(QString::fromLocal8Bit(path.c_str()));
  bool ok = file.open(QIODevice::WriteOnly);
  if (ok)
    ok = file.write(text.data(), static_cast<qint64>(text.size())) ==
         static_cast<qint64>(text.size());
  if (ok)
    ok = file.commit();
  else
    file.cancelWriting();
  if (!ok && error)
    *error = file.errorString().toLocal8Bit().toStdString();
  return ok;
}

}  // namespace tarcfg
