// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/route_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/dialog_buttons.h"
#include "shell/field_exchange.h"
#include "shell/static_text.h"

namespace tarcfg {

// --- Edit Route ------------------------------------------------------------

EditRouteDialog::EditRouteDialog(AddressService& addresses, MessageBoxes& messages,
                                 const QString& routerName, int position, int highestPosition,
                                 QWidget* parent)
    : EntryEditor(messages, highestPosition, parent), addresses_(addresses) {
  setObjectName(QStringLiteral("editRouteDialog"));
  setWindowTitle(tr("Edit Route"));
  values_.position = position;

  auto* router = new StaticText(this);
  router->setObjectName(QStringLiteral("routerName"));
  router->setText(routerName);
  auto edit = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(static_cast<int>(kAddressTextCapacity));
    return e;
  };
  netmask_ = edit("netmask");
  match_ = edit("match");
  gateway_ = edit("gateway");
  position_ = edit("position");

  QDialogButtonBox* buttons = MakeOkCancelButtons(this);

  auto* grid = new QGridLayout(this);
  int row = 0;
  grid->addWidget(new QLabel(tr("Router:"), this), row, 0);
  grid->addWidget(router, row++, 1);
  const std::pair<const char*, QLineEdit*> fields[] = {{QT_TR_NOOP("&Mask:"), netmask_},
                                                       {QT_TR_NOOP("&Compare Value:"), match_},
                                                       {QT_TR_NOOP("&Gateway:"), gateway_},
                                                       {QT_TR_NOOP("Table &Position:"), position_}};
  for (const auto& [text, field] : fields) {
    auto* label = new QLabel(tr(text), this);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row++, 1);
  }
  grid->addWidget(buttons, 0, 2, row, 1, Qt::AlignTop);

  LoadFields();
  netmask_->setFocus();
}

void EditRouteDialog::LoadFrom(const RouteEntry& route) {
  values_.netmask = route.netmask.str();
  values_.match = route.match.str();
  values_.gateway = route.gateway.str();
  values_.position = route.tablePosition + 1;
  LoadFields();
}

void EditRouteDialog::StoreInto(RouteEntry& route) const {
  route.netmask = values_.netmask;
  route.match = values_.match;
  route.gateway = values_.gateway;
  route.tablePosition = values_.position - 1;
}

void EditRouteDialog::Exchange(DataExchange& exchange, Values& values) {
  ExchangeAddressField(exchange, netmask_, values.netmask, addresses_);
  ExchangeAddressField(exchange, match_, values.match, addresses_);
  if (exchange.saving() && !exchange.failed()) {
    CheckMaskAndValue(exchange, values.netmask, values.match, addresses_);
    if (exchange.failed()) {
      match_->setFocus(Qt::OtherFocusReason);
      match_->selectAll();
    }
  }
  ExchangeInteger(exchange, position_, values.position, 1, highest_);
  ExchangeAddressField(exchange, gateway_, values.gateway, addresses_);
}

// --- Routing Table ---------------------------------------------------------

RoutingTableDialog::RoutingTableDialog(RouteList& routes, const QString& routerName,
                                       AddressService& addresses, MessageBoxes& messages,
                                       QWidget* parent)
    : TableDialog(parent),
      routes_(routes),
      routerName_(routerName),
      addresses_(addresses),
      messages_(messages) {
  setObjectName(QStringLiteral("routingTableDialog"));
  setWindowTitle(tr("Routing Table"));
  Build(routerName,
        {{tr("&Position"), 0}, {tr("Mask"), 32}, {tr("Compare Value"), 96}, {tr("Gateway"), 160}},
        224, "routeList", nullptr);
}

std::vector<QString> RoutingTableDialog::Rows() {
  std::vector<QString> rows;
  int index = 0;
  for (RouteEntry& route : routes_) {
    route.tablePosition = index++;
    rows.push_back(QString::asprintf("%d.\t%s\t%s\t%s", index, route.netmask.c_str(),
                                     route.match.c_str(), route.gateway.c_str()));
  }
  return rows;
}

std::optional<int> RoutingTableDialog::EditRow(int row) {
  RouteEntry* route = routes_.NodeAt(row + 1);
  if (!route)
    return std::nullopt;
  EditRouteDialog editor(addresses_, messages_, routerName_, row + 1, routes_.count(), this);
  editor.LoadFrom(*route);
  if (editor.exec() != QDialog::Accepted)
    return std::nullopt;
  RouteEntry changed = *route;
  editor.StoreInto(changed);
  return PutBackEdited(routes_, row, changed);
}

std::optional<int> RoutingTableDialog::AddNew() {
  const int position = routes_.count() + 1;
  EditRouteDialog editor(addresses_, messages_, routerName_, position, position, this);
  if (editor.exec() != QDialog::Accepted)
    return std::nullopt;
  RouteEntry added;
  editor.StoreInto(added);
  return routes_.InsertAt(added, added.tablePosition + 1) - 1;
}

bool RoutingTableDialog::RemoveRow(int row) {
  routes_.RemoveAt(row + 1);
  return true;
}

}  // namespace tarcfg
