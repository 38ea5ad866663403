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

#include "address.h"
#include "configuration.h"
#include "dialog_units.h"
#include "message_boxes.h"
#include "net_database.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace tarcfg {

class DataExchange;

inline constexpr int kMaxFilterRules = kMaxFilters - 1;

// What the user sees for a rule's protocol and port: "All", a service name
// registered for this protocol only, or "port/protocol" ("?" for a protocol
// number the system does not know).
std::string FilterServiceDisplayText(const FilterEntry& filter, NetDatabase& database);
// The reverse: false (and -1 for both) for a text that is no service.
bool ParseFilterService(std::string_view text, NetDatabase& database, int* protocol, int* port);

class EditFilterDialog : public QDialog {
  Q_OBJECT
 public:
  struct Values {
    std::string sendNetmask = "0.0.0.0";
    std::string sendMatch = "0.0.0.0";
    std::string receiveNetmask = "0.0.0.0";
    std::string receiveMatch = "0.0.0.0";
    std::string service;  // set from string 1003 for a new rule
    bool accept = true;
    int position = 1;  // 1-based
  };

  // A new rule at `position`, which is also the highest allowed one.
  EditFilterDialog(AddressService& addresses, NetDatabase& database, MessageBoxes& messages,
                   int position, int highestPosition, QWidget* parent = nullptr);

  void LoadFrom(const FilterEntry& filter);
  void StoreInto(FilterEntry& filter) const;
  const Values& values() const { return values_; }
  int highestPosition() const { return highest_; }

  void accept() override;

 private:
  void Exchange(DataExchange& exchange, Values& values);

  AddressService& addresses_;
  NetDatabase& database_;
  MessageBoxes& messages_;
  int highest_;
  Values values_;
  QLineEdit* sendNetmask_ = nullptr;
  QLineEdit* sendMatch_ = nullptr;
  QLineEdit* receiveNetmask_ = nullptr;
  QLineEdit* receiveMatch_ = nullptr;
  QLineEdit* service_ = nullptr;
  QRadioButton* accept_ = nullptr;
  QRadioButton* reject_ = nullptr;
  QLineEdit* position_ = nullptr;
};

class FilterTableDialog : public QDialog {
  Q_OBJECT
 public:
  // `filters` must end with its default entry; the dialog edits it in place.
  FilterTableDialog(FilterList& filters, const QString& routerName, AddressService& addresses,
                    NetDatabase& database, MessageBoxes& messages, QWidget* parent = nullptr);

  // The "All Remaining" choice: true for "&Accept".
  bool allRemainingAccept() const;
  void SetAllRemainingAccept(bool accept);

  void OpenSelected();
  void AddRule();
  void DeleteSelected();

 private:
  // Renumbers the entries, lists the rules and selects `row`; gives the
  // default entry's action.
  int Refill(int row);
  void UpdateButtons();
  std::vector<QString> Rows();

  FilterList& filters_;
  AddressService& addresses_;
  NetDatabase& database_;
  MessageBoxes& messages_;
  DialogUnits units_;
  QListWidget* list_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QRadioButton* remainingAccept_ = nullptr;
  QRadioButton* remainingReject_ = nullptr;
};

}  // namespace tarcfg
