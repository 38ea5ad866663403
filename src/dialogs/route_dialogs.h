// "Routing Table" and "Edit Route": the static routes of the working route
// list, edited in place.
#pragma once

#include <QDialog>
#include <string>

#include "address.h"
#include "configuration.h"
#include "dialog_units.h"
#include "message_boxes.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarcfg {

class DataExchange;

class EditRouteDialog : public QDialog {
  Q_OBJECT
 public:
  struct Values {
    std::string netmask;
    std::string match;
    std::string gateway;
    int position = 1;  // 1-based
  };

  // A new route (empty texts) at `position`, which is also the highest
  // allowed one.
  EditRouteDialog(AddressService& addresses, MessageBoxes& messages, const QString& routerName,
                  int position, int highestPosition, QWidget* parent = nullptr);

  void LoadFrom(const RouteEntry& route);
  void StoreInto(RouteEntry& route) const;
  const Values& values() const { return values_; }
  int highestPosition() const { return highest_; }

  void accept() override;

 private:
  void Exchange(DataExchange& exchange, Values& values);

  AddressService& addresses_;
  MessageBoxes& messages_;
  int highest_;
  Values values_;
  QLineEdit* netmask_ = nullptr;
  QLineEdit* match_ = nullptr;
  QLineEdit* gateway_ = nullptr;
  QLineEdit* position_ = nullptr;
};

class RoutingTableDialog : public QDialog {
  Q_OBJECT
 public:
  RoutingTableDialog(RouteList& routes, const QString& routerName, AddressService& addresses,
                     MessageBoxes& messages, QWidget* parent = nullptr);

  void OpenSelected();
  void AddRoute();
  void DeleteSelected();

 private:
  void Refill(int row);
  void UpdateButtons();

  RouteList& routes_;
  QString routerName_;
  AddressService& addresses_;
  MessageBoxes& messages_;
  DialogUnits units_;
  QListWidget* list_ = nullptr;
  QPushButton* open_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
};

}  // namespace tarcfg
