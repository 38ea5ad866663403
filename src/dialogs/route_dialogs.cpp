#include "route_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "field_exchange.h"
#include "list_panel.h"
#include "static_text.h"

namespace tarcfg {

// --- Edit Route ------------------------------------------------------------

EditRouteDialog::EditRouteDialog(AddressService& addresses, MessageBoxes& messages,
                                 const QString& routerName, int position, int highestPosition,
                                 QWidget* parent)
    : QDialog(parent), addresses_(addresses), messages_(messages), highest_(highestPosition) {
  setObjectName(QStringLiteral("editRouteDialog"));
  setWindowTitle(QStringLiteral("Edit Route"));
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

  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  int row = 0;
  grid->addWidget(new QLabel(QStringLiteral("Router:"), this), row, 0);
  grid->addWidget(router, row++, 1);
  const std::pair<const char*, QLineEdit*> fields[] = {{"&Mask:", netmask_},
                                                       {"&Compare Value:", match_},
                                                       {"&Gateway:", gateway_},
                                                       {"Table &Position:", position_}};
  for (const auto& [text, field] : fields) {
    auto* label = new QLabel(QString::fromLatin1(text), this);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row++, 1);
  }
  grid->addWidget(buttons, 0, 2, row, 1, Qt::AlignTop);

  DataExchange load(DataExchange::Direction::Load, this, messages_);
  Exchange(load, values_);
  netmask_->setFocus();
}

void EditRouteDialog::LoadFrom(const RouteEntry& route) {
  values_.netmask = route.netmask.str();
  values_.match = route.match.str();
  values_.gateway = route.gateway.str();
  values_.position = route.tablePosition + 1;
  DataExchange load(DataExchange::Direction::Load, this, messages_);
  Exchange(load, values_);
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

void EditRouteDialog::accept() {
  DataExchange save(DataExchange::Direction::Save, this, messages_);
  Values checked = values_;
  Exchange(save, checked);
  if (save.failed())
    return;
  values_ = checked;
  QDialog::accept();
}

// --- Routing Table ---------------------------------------------------------

RoutingTableDialog::RoutingTableDialog(RouteList& routes, const QString& routerName,
                                       AddressService& addresses, MessageBoxes& messages,
                                       QWidget* parent)
    : QDialog(parent),
      routes_(routes),
      routerName_(routerName),
      addresses_(addresses),
      messages_(messages),
      units_(font()) {
  setObjectName(QStringLiteral("routingTableDialog"));
  setWindowTitle(QStringLiteral("Routing Table"));

  auto* routerRow = new QHBoxLayout;
  routerRow->addWidget(new QLabel(QStringLiteral("Router:"), this));
  auto* router = new StaticText(this);
  router->setObjectName(QStringLiteral("routerName"));
  router->setText(routerName);
  routerRow->addWidget(router, 1);

  ListPanel panel = MakeListPanel(this, units_,
                                  {{QStringLiteral("&Position"), 0},
                                   {QStringLiteral("Mask"), 32},
                                   {QStringLiteral("Compare Value"), 96},
                                   {QStringLiteral("Gateway"), 160}},
                                  224, 120, "routeList");
  list_ = panel.list;

  auto button = [this](const char* name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  open_ = button("openButton", QStringLiteral("&Open"));
  add_ = button("addButton", QStringLiteral("&Add"));
  delete_ = button("deleteButton", QStringLiteral("&Delete"));
  QPushButton* close = button("closeButton", QStringLiteral("Close"));
  close->setDefault(true);

  auto* side = new QVBoxLayout;
  side->addWidget(open_);
  side->addWidget(add_);
  side->addWidget(delete_);
  side->addStretch();
  side->addWidget(close);
  auto* left = new QVBoxLayout;
  left->addLayout(routerRow);
  left->addWidget(panel.area);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left);
  layout->addLayout(side);

  connect(list_, &QListWidget::itemSelectionChanged, this, &RoutingTableDialog::UpdateButtons);
  connect(list_, &QListWidget::itemDoubleClicked, this, &RoutingTableDialog::OpenSelected);
  connect(open_, &QPushButton::clicked, this, &RoutingTableDialog::OpenSelected);
  connect(add_, &QPushButton::clicked, this, &RoutingTableDialog::AddRoute);
  connect(delete_, &QPushButton::clicked, this, &RoutingTableDialog::DeleteSelected);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  Refill(-1);
  UpdateButtons();
}

void RoutingTableDialog::Refill(int row) {
  std::vector<QString> rows;
  int index = 0;
  for (RouteEntry& route : routes_) {
    route.tablePosition = index++;
    rows.push_back(QString::asprintf("%d.\t%s\t%s\t%s", index, route.netmask.c_str(),
                                     route.match.c_str(), route.gateway.c_str()));
  }
  RefillList(list_, rows, row);
}

void RoutingTableDialog::UpdateButtons() {
  const bool selected = SelectedRow(list_) >= 0;
  open_->setEnabled(selected);
  delete_->setEnabled(selected);
  add_->setEnabled(list_->count() < kMaxRoutes);
}

void RoutingTableDialog::OpenSelected() {
  const int row = SelectedRow(list_);
  RouteEntry* route = routes_.NodeAt(row + 1);
  if (row < 0 || !route)
    return;
  EditRouteDialog editor(addresses_, messages_, routerName_, row + 1, routes_.count(), this);
  editor.LoadFrom(*route);
  if (editor.exec() != QDialog::Accepted)
    return;
  RouteEntry changed = *route;
  editor.StoreInto(changed);
  Refill(PutBackEdited(routes_, row, changed));
  UpdateButtons();
}

void RoutingTableDialog::AddRoute() {
  if (routes_.count() >= kMaxRoutes)
    return;
  const int position = routes_.count() + 1;
  EditRouteDialog editor(addresses_, messages_, routerName_, position, position, this);
  if (editor.exec() != QDialog::Accepted)
    return;
  RouteEntry added;
  editor.StoreInto(added);
  const int taken = routes_.InsertAt(added, added.tablePosition + 1);
  Refill(taken - 1);
  UpdateButtons();
}

void RoutingTableDialog::DeleteSelected() {
  const int row = SelectedRow(list_);
  if (row < 0)
    return;
  routes_.RemoveAt(row + 1);
  Refill(row);
  UpdateButtons();
}

}  // namespace tarcfg
