// SPDX-License-Identifier: GPL-3.0-or-later
// "Router Configuration": the router's own address, net mask, phone
// number, operating mode and firmware version, with "&Change Firmware" and
// "&Change Password". The result is a new RouterParameters that the main
// window compares with the current one and sends.
#pragma once

#include <QDialog>
#include <array>
#include <string>

#include "config/operating_modes.h"
#include "config/records.h"
#include "shell/shell_context.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarcfg {

class DataExchange;
class StaticText;

// What "Change Password" chose; outlives the dialogs and is set afresh
// from the current parameters each time Router Configuration opens.
struct RouterPasswordChoice {
  std::string newPassword;
  int exclusiveChoice = 0;
};

class RouterConfigurationDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kModeCount = static_cast<int>(kOperatingModes.size());

  RouterConfigurationDialog(ShellContext& context, const RouterParameters& current,
                            RouterPasswordChoice& choice, QWidget* parent = nullptr);

  // The new parameters, valid after OK.
  const RouterParameters& parameters() const { return result_; }
  // The operating mode chosen (the list's selection or the proposed one).
  const OperatingModeEntry& mode() const {
    return kOperatingModes[static_cast<std::size_t>(mode_)];
  }
  const std::string& firmwareText() const { return firmwareText_; }

  void accept() override;

 private:
  // A row of kOperatingModes as the dialog offers it, by the same id.
  struct ModeEntry {
    const char* name;
    int dChannelProtocol;  // a permanent connection's: the router's own
    int permanentConnection;
    bool offered;
    int listPosition;  // -1 while not in the list
  };

  void SetUpOperatingModes();
  void OnModeChosen(int listIndex);
  void ChangeFirmware();
  void ChangePassword();
  void ShowFirmwareText();
  // Moves the fields between the controls and the values, in field order.
  bool Exchange(DataExchange& exchange);

  ShellContext& context_;
  RouterParameters current_;
  RouterPasswordChoice& choice_;
  std::array<ModeEntry, kModeCount> modes_;
  int mode_ = OperatingModeIndex(SwitchedMode(1));
  std::string firmwareText_;
  std::string name_;
  std::string netmask_;
  std::string phoneNumber_;
  RouterParameters result_;

  QLineEdit* address_ = nullptr;
  QLineEdit* netmaskEdit_ = nullptr;
  QLineEdit* phone_ = nullptr;
  QComboBox* modeList_ = nullptr;
  StaticText* firmware_ = nullptr;
  QPushButton* changeFirmware_ = nullptr;
  QPushButton* changePassword_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace tarcfg
