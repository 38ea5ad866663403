// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/accounting_csv.h"

#include <QSaveFile>
#include <QString>

#include "config/reports.h"

namespace tarcfg {

std::string AccountingCsv(const LineTargetList& lineTargets) {
  std::string csv =
      "Host name,Phone number,Charge units,Calls outgoing,Calls incoming,Packets outgoing,"
      "Packets incoming,Bytes outgoing,Bytes incoming\r\n";
  for (const LineTarget& target : lineTargets) {
    csv += CsvCell(target.hostName.str());
    csv += ',';
    csv += CsvCell(target.phoneNumber.str());
    for (std::uint32_t counter : target.accountingCounters) {
      csv += ',';
      csv += std::to_string(counter);
    }
    csv += "\r\n";
  }
  return csv;
}

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
