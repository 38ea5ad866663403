// SPDX-License-Identifier: GPL-3.0-or-later
// "Select Firmware": the firmware versions present for one D-channel
// protocol, newest first, with the current one selected. OK is usable only
// while a line is selected; a double-click acts as OK.
#pragma once

#include <QDialog>
#include <string>

class QListWidget;
class QPushButton;

namespace tarcfg {

// Fills `list` with the versions of the firmware files of `dChannelProtocol`
// in `directory`, newest first, and selects the line equal to `current`
// (letter case ignored), or none.
void FillFirmwareVersions(QListWidget* list, const std::string& directory, int dChannelProtocol,
                          const std::string& current);

class SelectFirmwareDialog : public QDialog {
  Q_OBJECT
 public:
  SelectFirmwareDialog(const std::string& directory, int dChannelProtocol,
                       const std::string& current, QWidget* parent = nullptr);

  // The chosen version, valid after OK.
  const std::string& version() const { return version_; }

  void accept() override;

 private:
  void UpdateOk();

  QListWidget* list_ = nullptr;
  QPushButton* ok_ = nullptr;
  std::string version_;
};

}  // namespace tarcfg
