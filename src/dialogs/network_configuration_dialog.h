// SPDX-License-Identifier: GPL-3.0-or-later
// "Network Configuration": the editor of one line target. It edits a set
// of values and never touches the lists; the Line Targets dialog loads a
// record into it and stores the values back after OK.
#pragma once

#include <QDialog>
#include <string>

#include "config/address.h"
#include "config/records.h"
#include "shell/dialog_units.h"
#include "shell/message_boxes.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tarcfg {

class DataExchange;

struct LineTargetValues {
  std::string hostName;
  std::string phoneNumber;
  bool createDefaultRoute = true;
  int timeout = 20;
  bool manualConnection = false;
  bool channelBundling = false;
  bool compression = false;
  int layer2 = 0;  // index into the layer-2 table; 2 is PPP
  int layer3 = 0;
  std::string localIdentification;
  std::string remoteIdentification;
};

class NetworkConfigurationDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kPppIndex = 2;
  static constexpr int kMaxTimeout = 32000;
  static constexpr int kIdentificationLength = static_cast<int>(kIdentificationCapacity);

  // An empty line target ("&Create Default Route" checked and enabled).
  NetworkConfigurationDialog(const ProtocolTables& tables, AddressService& addresses,
                             MessageBoxes& messages, int permanentConnection,
                             QWidget* parent = nullptr);

  // Editing an existing line target; done before the dialog is shown.
  void LoadFrom(const LineTarget& target);
  // Without the offer, "&Create Default Route" is cleared and disabled (a
  // new line target whose route would not fit the routing table).
  void OfferDefaultRoute(bool offer);
  // The values after OK into `target`; fields the dialog does not edit
  // keep their contents.
  void StoreInto(LineTarget& target) const;

  const LineTargetValues& values() const { return values_; }

  void accept() override;

 private:
  void BuildDialog();
  // Moves the values to the controls (load) or validates and takes them
  // (save), in the field order.
  void Exchange(DataExchange& exchange, LineTargetValues& values);
  void OnLayer2Chosen(int index);
  void OnLayer3Chosen(int index);
  void OnCompressionClicked(bool checked);
  void ShowProtocols();
  void ApplyEnablingRules();

  const ProtocolTables& tables_;
  AddressService& addresses_;
  MessageBoxes& messages_;
  int permanentConnection_;
  DialogUnits units_;
  LineTargetValues values_;

  QLineEdit* hostName_ = nullptr;
  QLineEdit* phoneNumber_ = nullptr;
  QCheckBox* createDefaultRoute_ = nullptr;
  QLineEdit* timeout_ = nullptr;
  QCheckBox* manualConnection_ = nullptr;
  QCheckBox* channelBundling_ = nullptr;
  QCheckBox* compression_ = nullptr;
  QComboBox* layer2_ = nullptr;
  QComboBox* layer3_ = nullptr;
  QLineEdit* localIdentification_ = nullptr;
  QLineEdit* remoteIdentification_ = nullptr;
};

}  // namespace tarcfg
