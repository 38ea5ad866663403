// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/filter_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/string_table.h"
#include "dialogs/dialog_buttons.h"
#include "shell/field_exchange.h"

namespace tarcfg {
namespace {

bool StartsWithAll(std::string_view text) {
  if (text.size() < 3)
    return false;
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  return lower(text[0]) == 'a' && lower(text[1]) == 'l' && lower(text[2]) == 'l';
}

QLineEdit* AddressEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(static_cast<int>(kAddressTextCapacity));
  return edit;
}

// Mask and compare value of one host; a mismatch puts the focus on the
// compare value.
void CheckHost(DataExchange& exchange, QLineEdit* matchField, const std::string& mask,
               const std::string& match, AddressService& addresses) {
  if (exchange.failed())
    return;
  CheckMaskAndValue(exchange, mask, match, addresses);
  if (exchange.failed()) {
    matchField->setFocus(Qt::OtherFocusReason);
    matchField->selectAll();
  }
}

}  // namespace

std::string FilterServiceDisplayText(const FilterEntry& filter, NetDatabase& database) {
  if (filter.protocol == 0 && filter.port == 0)
    return LoadString(1003);
  const std::string protocolName = database.ProtocolName(filter.protocol).value_or("?");
  const char* other = filter.protocol == 6 ? "udp" : "tcp";
  if (const auto service = database.ServiceByPort(filter.port, protocolName)) {
    if (!database.ServiceByName(service->name, other))
      return service->name;
  }
  return std::to_string(filter.port) + "/" + protocolName;
}

bool ParseFilterService(std::string_view text, NetDatabase& database, int* protocol, int* port) {
  *protocol = -1;
  *port = -1;
  if (text.empty() || StartsWithAll(text)) {
    *protocol = 0;
    *port = 0;
    return true;
  }
  const std::optional<ServicePort> service = ParsePortService(text, database);
  if (!service)
    return false;
  *protocol = service->protocol;
  *port = service->port;
  return true;
}

// --- Edit Filter -----------------------------------------------------------

EditFilterDialog::EditFilterDialog(AddressService& addresses, NetDatabase& database,
                                   MessageBoxes& messages, int position, int highestPosition,
                                   QWidget* parent)
    : EntryEditor(messages, highestPosition, parent), addresses_(addresses), database_(database) {
  setObjectName(QStringLiteral("editFilterDialog"));
  setWindowTitle(tr("Edit Filter"));
  values_.service = LoadString(1003);
  values_.position = position;

  auto hostGroup = [this](const QString& title, QLineEdit*& mask, const char* maskName,
                          QLineEdit*& match, const char* matchName) {
    auto* group = new QGroupBox(title, this);
    mask = AddressEdit(maskName, group);
    match = AddressEdit(matchName, group);
    auto* layout = new QGridLayout(group);
    auto* maskLabel = new QLabel(tr("Mask:"), group);
    maskLabel->setBuddy(mask);
    auto* matchLabel = new QLabel(tr("Compare Value:"), group);
    matchLabel->setBuddy(match);
    layout->addWidget(maskLabel, 0, 0);
    layout->addWidget(mask, 0, 1);
    layout->addWidget(matchLabel, 1, 0);
    layout->addWidget(match, 1, 1);
    return group;
  };
  QGroupBox* sending =
      hostGroup(tr("&Sending Host"), sendNetmask_, "sendNetmask", sendMatch_, "sendMatch");
  QGroupBox* receiving = hostGroup(tr("&Receiving Host"), receiveNetmask_, "receiveNetmask",
                                   receiveMatch_, "receiveMatch");

  service_ = new QLineEdit(this);
  service_->setObjectName(QStringLiteral("service"));
  auto* serviceLabel = new QLabel(tr("&Target Port:"), this);
  serviceLabel->setBuddy(service_);

  auto* actionGroup = new QGroupBox(tr("Action"), this);
  accept_ = new QRadioButton(tr("&Accept"), actionGroup);
  accept_->setObjectName(QStringLiteral("accept"));
  reject_ = new QRadioButton(tr("Re&ject"), actionGroup);
  reject_->setObjectName(QStringLiteral("reject"));
  auto* actionLayout = new QHBoxLayout(actionGroup);
  actionLayout->addWidget(accept_);
  actionLayout->addWidget(reject_);

  position_ = new QLineEdit(this);
  position_->setObjectName(QStringLiteral("position"));
  auto* positionLabel = new QLabel(tr("Table &Position:"), this);
  positionLabel->setBuddy(position_);

  QDialogButtonBox* buttons = MakeOkCancelButtons(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(sending, 0, 0, 1, 2);
  grid->addWidget(receiving, 1, 0, 1, 2);
  grid->addWidget(serviceLabel, 2, 0);
  grid->addWidget(service_, 2, 1);
  grid->addWidget(actionGroup, 3, 0, 1, 2);
  grid->addWidget(positionLabel, 4, 0);
  grid->addWidget(position_, 4, 1);
  grid->addWidget(buttons, 0, 2, 5, 1, Qt::AlignTop);

  LoadFields();
  sendNetmask_->setFocus();
}

void EditFilterDialog::LoadFrom(const FilterEntry& filter) {
  values_.sendNetmask = filter.sendNetmask.str();
  values_.sendMatch = filter.sendMatch.str();
  values_.receiveNetmask = filter.receiveNetmask.str();
  values_.receiveMatch = filter.receiveMatch.str();
  values_.accept = filter.action != 0;
  values_.position = filter.tablePosition + 1;
  values_.service = FilterServiceDisplayText(filter, database_);
  LoadFields();
}

void EditFilterDialog::StoreInto(FilterEntry& filter) const {
  filter.sendNetmask = values_.sendNetmask;
  filter.sendMatch = values_.sendMatch;
  filter.receiveNetmask = values_.receiveNetmask;
  filter.receiveMatch = values_.receiveMatch;
  filter.action = values_.accept ? 1 : 0;
  filter.tablePosition = values_.position - 1;
  ParseFilterService(values_.service, database_, &filter.protocol, &filter.port);
}

void EditFilterDialog::Exchange(DataExchange& exchange, Values& values) {
  ExchangeAddressField(exchange, sendNetmask_, values.sendNetmask, addresses_);
  ExchangeAddressField(exchange, sendMatch_, values.sendMatch, addresses_);
  if (exchange.saving())
    CheckHost(exchange, sendMatch_, values.sendNetmask, values.sendMatch, addresses_);
  ExchangeAddressField(exchange, receiveNetmask_, values.receiveNetmask, addresses_);
  ExchangeAddressField(exchange, receiveMatch_, values.receiveMatch, addresses_);
  if (exchange.saving())
    CheckHost(exchange, receiveMatch_, values.receiveNetmask, values.receiveMatch, addresses_);
  ExchangeServiceField(exchange, service_, values.service, database_);
  ExchangeInteger(exchange, position_, values.position, 1, highest_);
  if (exchange.failed())
    return;
  if (exchange.saving()) {
    values.accept = accept_->isChecked();
  } else {
    accept_->setChecked(values.accept);
    reject_->setChecked(!values.accept);
  }
}

// --- Filter Table ----------------------------------------------------------

FilterTableDialog::FilterTableDialog(FilterList& filters, const QString& routerName,
                                     AddressService& addresses, NetDatabase& database,
                                     MessageBoxes& messages, QWidget* parent)
    : TableDialog(parent),
      filters_(filters),
      addresses_(addresses),
      database_(database),
      messages_(messages) {
  setObjectName(QStringLiteral("filterTableDialog"));
  setWindowTitle(tr("Filter Table"));
  EnsureDefaultFilter(filters_);

  auto* remaining = new QGroupBox(tr("All Remaining"), this);
  // "A&ccept": Alt+A is the list's Add button.
  remainingAccept_ = new QRadioButton(tr("A&ccept"), remaining);
  remainingAccept_->setObjectName(QStringLiteral("remainingAccept"));
  remainingReject_ = new QRadioButton(tr("Re&ject"), remaining);
  remainingReject_->setObjectName(QStringLiteral("remainingReject"));
  auto* remainingLayout = new QVBoxLayout(remaining);
  remainingLayout->addWidget(remainingAccept_);
  remainingLayout->addWidget(remainingReject_);

  Build(routerName,
        {{tr("&Position"), 0},
         {tr("Sending Host"), 32},
         {tr("Receiving Host"), 96},
         {tr("Service"), 160},
         {tr("Action"), 212}},
        244, "filterList", remaining);
  const FilterEntry* last = filters_.Last();
  SetAllRemainingAccept(last && last->action != 0);
}

bool FilterTableDialog::allRemainingAccept() const {
  return remainingAccept_->isChecked();
}

void FilterTableDialog::SetAllRemainingAccept(bool accept) {
  remainingAccept_->setChecked(accept);
  remainingReject_->setChecked(!accept);
}

std::vector<QString> FilterTableDialog::Rows() {
  std::vector<QString> rows;
  int index = 0;
  for (FilterEntry& entry : filters_) {
    entry.tablePosition = index++;
    if (index == filters_.count())
      break;  // the default entry is not listed
    rows.push_back(QString::asprintf("%d.\t%s\t%s\t%s\t%s", index, entry.sendMatch.c_str(),
                                     entry.receiveMatch.c_str(),
                                     FilterServiceDisplayText(entry, database_).c_str(),
                                     LoadString(entry.action != 0 ? 1001 : 1002)));
  }
  return rows;
}

std::optional<int> FilterTableDialog::EditRow(int row) {
  FilterEntry* entry = filters_.NodeAt(row + 1);
  if (!entry)
    return std::nullopt;
  EditFilterDialog editor(addresses_, database_, messages_, row + 1, filters_.count() - 1, this);
  editor.LoadFrom(*entry);
  if (editor.exec() != QDialog::Accepted)
    return std::nullopt;
  FilterEntry changed = *entry;
  editor.StoreInto(changed);
  return PutBackEdited(filters_, row, changed);
}

std::optional<int> FilterTableDialog::AddNew() {
  const int position = filters_.count();
  EditFilterDialog editor(addresses_, database_, messages_, position, position, this);
  if (editor.exec() != QDialog::Accepted)
    return std::nullopt;
  FilterEntry added;
  editor.StoreInto(added);
  return filters_.InsertAt(added, added.tablePosition + 1) - 1;
}

bool FilterTableDialog::RemoveRow(int row) {
  if (row + 1 >= filters_.count())
    return false;  // the default entry stays
  filters_.RemoveAt(row + 1);
  return true;
}

}  // namespace tarcfg
