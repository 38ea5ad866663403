// SPDX-License-Identifier: GPL-3.0-or-later
// "Routing Table" and "Edit Route": the static routes of the working route
// list, edited in place.
#pragma once

#include <QDialog>
#include <string>

#include "config/address.h"
#include "config/configuration.h"
#include "dialogs/table_dialog.h"
#include "shell/message_boxes.h"

class QLineEdit;

namespace tarcfg {

// What "Edit Route" shows and keeps.
struct RouteValues {
  std::string netmask;
  std::string match;
  std::string gateway;
  int position = 1;  // 1-based
};

class EditRouteDialog : public EntryEditor<RouteValues> {
  Q_OBJECT
 public:
  using Values = RouteValues;

  // A new route (empty texts) at `position`, which is also the highest
  // allowed one.
  EditRouteDialog(AddressService& addresses, MessageBoxes& messages, const QString& routerName,
                  int position, int highestPosition, QWidget* parent = nullptr);

  void LoadFrom(const RouteEntry& route);
  void StoreInto(RouteEntry& route) const;

 private:
  void Exchange(DataExchange& exchange, Values& values) override;

  AddressService& addresses_;
  QLineEdit* netmask_ = nullptr;
  QLineEdit* match_ = nullptr;
  QLineEdit* gateway_ = nullptr;
  QLineEdit* position_ = nullptr;
};

class RoutingTableDialog : public TableDialog {
  Q_OBJECT
 public:
  RoutingTableDialog(RouteList& routes, const QString& routerName, AddressService& addresses,
                     MessageBoxes& messages, QWidget* parent = nullptr);

 private:
  std::vector<QString> Rows() override;
  int capacity() const override { return kMaxRoutes; }
  std::optional<int> EditRow(int row) override;
  std::optional<int> AddNew() override;
  bool RemoveRow(int row) override;

  RouteList& routes_;
  QString routerName_;
  AddressService& addresses_;
  MessageBoxes& messages_;
};

}  // namespace tarcfg
