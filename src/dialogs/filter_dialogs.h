// SPDX-License-Identifier: GPL-3.0-or-later
// "Filter Table" and "Edit Filter": the packet filter rules of the working
// filter list and the action for every packet no rule matches.
//
// The list's last entry is the default entry; it is never listed, and only
// its action is edited, through "All Remaining" (which the caller stores
// when the dialog is left with "Close").
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

#include "config/address.h"
#include "config/configuration.h"
#include "config/net_database.h"
#include "dialogs/table_dialog.h"
#include "shell/message_boxes.h"

class QLineEdit;
class QRadioButton;

namespace tarcfg {

inline constexpr int kMaxFilterRules = kMaxFilters - 1;

// What the user sees for a rule's protocol and port: "All", a service name
// registered for this protocol only, or "port/protocol" ("?" for a protocol
// number the system does not know).
std::string FilterServiceDisplayText(const FilterEntry& filter, NetDatabase& database);
// The reverse: false (and -1 for both) for a text that is no service.
bool ParseFilterService(std::string_view text, NetDatabase& database, int* protocol, int* port);

// What "Edit Filter" shows and keeps.
struct FilterValues {
  std::string sendNetmask = "0.0.0.0";
  std::string sendMatch = "0.0.0.0";
  std::string receiveNetmask = "0.0.0.0";
  std::string receiveMatch = "0.0.0.0";
  std::string service;  // set from string 1003 for a new rule
  bool accept = true;
  int position = 1;  // 1-based
};

class EditFilterDialog : public EntryEditor<FilterValues> {
  Q_OBJECT
 public:
  using Values = FilterValues;

  // A new rule at `position`, which is also the highest allowed one.
  EditFilterDialog(AddressService& addresses, NetDatabase& database, MessageBoxes& messages,
                   int position, int highestPosition, QWidget* parent = nullptr);

  void LoadFrom(const FilterEntry& filter);
  void StoreInto(FilterEntry& filter) const;

 private:
  void Exchange(DataExchange& exchange, Values& values) override;

  AddressService& addresses_;
  NetDatabase& database_;
  QLineEdit* sendNetmask_ = nullptr;
  QLineEdit* sendMatch_ = nullptr;
  QLineEdit* receiveNetmask_ = nullptr;
  QLineEdit* receiveMatch_ = nullptr;
  QLineEdit* service_ = nullptr;
  QRadioButton* accept_ = nullptr;
  QRadioButton* reject_ = nullptr;
  QLineEdit* position_ = nullptr;
};

class FilterTableDialog : public TableDialog {
  Q_OBJECT
 public:
  // `filters` must end with its default entry; the dialog edits it in place.
  FilterTableDialog(FilterList& filters, const QString& routerName, AddressService& addresses,
                    NetDatabase& database, MessageBoxes& messages, QWidget* parent = nullptr);

  // The "All Remaining" choice: true for "&Accept".
  bool allRemainingAccept() const;
  void SetAllRemainingAccept(bool accept);

 private:
  std::vector<QString> Rows() override;
  int capacity() const override { return kMaxFilterRules; }
  std::optional<int> EditRow(int row) override;
  std::optional<int> AddNew() override;
  bool RemoveRow(int row) override;

  FilterList& filters_;
  AddressService& addresses_;
  NetDatabase& database_;
  MessageBoxes& messages_;
  QRadioButton* remainingAccept_ = nullptr;
  QRadioButton* remainingReject_ = nullptr;
};

}  // namespace tarcfg
