#include "accounting_csv.h"

#include <QSaveFile>
#include <QString>

namespace tarcfg {
namespace {

std::string CsvField(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos)
    return value;
  std::string quoted = "\"";
  for (char ch : value) {
    if (ch == '"')
      quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

}  // namespace

std::string AccountingCsv(const LineTargetList& lineTargets) {
  std::string csv =
      "Host name,Phone number,Charge units,Calls outgoing,Calls incoming,Packets outgoing,"
      "Packets incoming,Bytes outgoing,Bytes incoming\r\n";
  for (const LineTarget& target : lineTargets) {
    csv += CsvField(target.hostName.str());
    csv += ',';
    csv += CsvField(target.phoneNumber.str());
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
