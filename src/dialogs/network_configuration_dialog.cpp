// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/network_configuration_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "config/operating_modes.h"
#include "dialogs/dialog_buttons.h"
#include "shell/field_exchange.h"

namespace tarcfg {
namespace {

constexpr int kBuiltInProtocols = 3;

QString ProtocolLabel(const char* name, int index) {
  QString text = QString::fromLatin1(name);
  return index < kBuiltInProtocols ? text.toUpper() : text;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    return lower(x) == lower(y);
  });
}

// The last table entry named like the record's protocol; 0 when none is.
template <class Table>
int IndexByName(const Table& table, int reference) {
  if (reference < 0 || reference >= static_cast<int>(table.size()))
    return 0;
  const std::string_view name = table[static_cast<std::size_t>(reference)].name.view();
  int found = 0;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (SameName(table[i].name.view(), name))
      found = static_cast<int>(i);
  return found;
}

// An identification: blanks removed, at most one '/' (name/password), no
// more than the record holds.
bool ExchangeIdentification(DataExchange& exchange, QLineEdit* field, std::string& value) {
  if (exchange.failed())
    return false;
  if (!exchange.saving()) {
    field->setText(QString::fromLatin1(value.c_str()));
    return true;
  }
  std::string text = RemoveBlanks(field->text().toLatin1().toStdString());
  if (std::count(text.begin(), text.end(), '/') > 1) {
    exchange.Fail(field, TableText(40105));
    return false;
  }
  if (text.size() > kIdentificationCapacity) {
    exchange.Fail(field, TableText(61706).arg(kIdentificationCapacity));
    return false;
  }
  value = text;
  return true;
}

QLabel* Buddy(const QString& text, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(control);
  return label;
}

}  // namespace

NetworkConfigurationDialog::NetworkConfigurationDialog(const ProtocolTables& tables,
                                                       AddressService& addresses,
                                                       MessageBoxes& messages,
                                                       int permanentConnection, QWidget* parent)
    : QDialog(parent),
      tables_(tables),
      addresses_(addresses),
      messages_(messages),
      permanentConnection_(permanentConnection),
      units_(font()) {
  setObjectName(QStringLiteral("networkConfigurationDialog"));
  setWindowTitle(tr("Network Configuration"));
  BuildDialog();
  DataExchange load(DataExchange::Direction::Load, this, messages_);
  Exchange(load, values_);
}

void NetworkConfigurationDialog::BuildDialog() {
  auto* targetGroup = new QGroupBox(tr("Target Host"), this);
  hostName_ = new QLineEdit(targetGroup);
  hostName_->setObjectName(QStringLiteral("hostName"));
  hostName_->setMaxLength(static_cast<int>(kAddressTextCapacity));
  phoneNumber_ = new QLineEdit(targetGroup);
  phoneNumber_->setObjectName(QStringLiteral("phoneNumber"));
  createDefaultRoute_ = new QCheckBox(tr("&Create Default Route"), targetGroup);
  createDefaultRoute_->setObjectName(QStringLiteral("createDefaultRoute"));
  auto* targetLayout = new QGridLayout(targetGroup);
  targetLayout->addWidget(Buddy(tr("&Host Name:"), hostName_, targetGroup), 0, 0);
  targetLayout->addWidget(hostName_, 0, 1);
  targetLayout->addWidget(Buddy(tr("&Phone Number:"), phoneNumber_, targetGroup), 1, 0);
  targetLayout->addWidget(phoneNumber_, 1, 1);
  targetLayout->addWidget(createDefaultRoute_, 2, 1);

  auto* advancedGroup = new QGroupBox(tr("Advanced Settings"), this);
  timeout_ = new QLineEdit(advancedGroup);
  timeout_->setObjectName(QStringLiteral("timeout"));
  timeout_->setFixedWidth(units_.ToPixelsX(32));
  manualConnection_ = new QCheckBox(tr("&Manual Connection"), advancedGroup);
  manualConnection_->setObjectName(QStringLiteral("manualConnection"));
  channelBundling_ = new QCheckBox(tr("&B-Channel Bundling"), advancedGroup);
  channelBundling_->setObjectName(QStringLiteral("channelBundling"));
  compression_ = new QCheckBox(tr("C&ompression"), advancedGroup);
  compression_->setObjectName(QStringLiteral("compression"));
  auto* advancedLayout = new QGridLayout(advancedGroup);
  advancedLayout->addWidget(Buddy(tr("T&ime-Out:"), timeout_, advancedGroup), 0, 0);
  auto* timeoutRow = new QHBoxLayout;
  timeoutRow->addWidget(timeout_);
  timeoutRow->addWidget(new QLabel(
      //: Unit after the time-out field: seconds.
      tr("s"), advancedGroup));
  timeoutRow->addStretch();
  advancedLayout->addLayout(timeoutRow, 0, 1);
  advancedLayout->addWidget(manualConnection_, 1, 0, 1, 2);
  advancedLayout->addWidget(channelBundling_, 2, 0, 1, 2);
  advancedLayout->addWidget(compression_, 3, 0, 1, 2);

  auto* protocolGroup = new QGroupBox(tr("Protocols"), this);
  layer2_ = new QComboBox(protocolGroup);
  layer2_->setObjectName(QStringLiteral("layer2"));
  layer3_ = new QComboBox(protocolGroup);
  layer3_->setObjectName(QStringLiteral("layer3"));
  for (std::size_t i = 0; i < tables_.layer2().size(); ++i)
    layer2_->addItem(ProtocolLabel(tables_.layer2()[i].name.c_str(), static_cast<int>(i)));
  for (std::size_t i = 0; i < tables_.layer3().size(); ++i)
    layer3_->addItem(ProtocolLabel(tables_.layer3()[i].name.c_str(), static_cast<int>(i)));
  auto* protocolLayout = new QGridLayout(protocolGroup);
  protocolLayout->addWidget(Buddy(tr("Layer&2:"), layer2_, protocolGroup), 0, 0);
  protocolLayout->addWidget(layer2_, 0, 1);
  protocolLayout->addWidget(Buddy(tr("Layer&3:"), layer3_, protocolGroup), 1, 0);
  protocolLayout->addWidget(layer3_, 1, 1);

  auto* passwordGroup = new QGroupBox(tr("Passwords for PPP"), this);
  localIdentification_ = new QLineEdit(passwordGroup);
  localIdentification_->setObjectName(QStringLiteral("localIdentification"));
  localIdentification_->setMaxLength(kIdentificationLength);
  remoteIdentification_ = new QLineEdit(passwordGroup);
  remoteIdentification_->setObjectName(QStringLiteral("remoteIdentification"));
  remoteIdentification_->setMaxLength(kIdentificationLength);
  localIdentification_->setMinimumWidth(units_.ToPixelsX(72));
  remoteIdentification_->setMinimumWidth(units_.ToPixelsX(72));
  auto* passwordLayout = new QGridLayout(passwordGroup);
  passwordLayout->addWidget(
      Buddy(tr("&Local Identification:"), localIdentification_, passwordGroup), 0, 0);
  passwordLayout->addWidget(localIdentification_, 0, 1);
  passwordLayout->addWidget(
      Buddy(tr("&Remote Identification:"), remoteIdentification_, passwordGroup), 1, 0);
  passwordLayout->addWidget(remoteIdentification_, 1, 1);

  QDialogButtonBox* buttons = MakeOkCancelButtons(this);

  auto* grid = new QGridLayout(this);
  grid->addWidget(targetGroup, 0, 0);
  grid->addWidget(advancedGroup, 0, 1);
  grid->addWidget(protocolGroup, 1, 0);
  grid->addWidget(passwordGroup, 1, 1);
  grid->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);

  connect(layer2_, &QComboBox::activated, this, &NetworkConfigurationDialog::OnLayer2Chosen);
  connect(layer3_, &QComboBox::activated, this, &NetworkConfigurationDialog::OnLayer3Chosen);
  connect(compression_, &QCheckBox::clicked, this,
          &NetworkConfigurationDialog::OnCompressionClicked);
  hostName_->setFocus();
}

void NetworkConfigurationDialog::LoadFrom(const LineTarget& target) {
  LineTargetValues loaded;
  loaded.hostName = target.hostName.str();
  loaded.phoneNumber = target.phoneNumber.str();
  loaded.timeout = target.timeout;
  loaded.manualConnection = target.manualOnly != 0;
  loaded.channelBundling = target.channelBundling != 0;
  loaded.compression = target.compression != 0;
  loaded.createDefaultRoute = false;
  loaded.layer2 = IndexByName(tables_.layer2(), target.layer2Protocol);
  loaded.layer3 = IndexByName(tables_.layer3(), target.layer3Protocol);
  // Identifications belong to PPP only; other protocols show none.
  if (loaded.layer2 == kPppIndex && loaded.layer3 == kPppIndex) {
    loaded.remoteIdentification = target.remoteIdentification.str();
    loaded.localIdentification = target.localIdentification.str();
  }
  values_ = loaded;
  DataExchange load(DataExchange::Direction::Load, this, messages_);
  Exchange(load, values_);
}

void NetworkConfigurationDialog::OfferDefaultRoute(bool offer) {
  values_.createDefaultRoute = values_.createDefaultRoute && offer;
  createDefaultRoute_->setChecked(values_.createDefaultRoute);
  createDefaultRoute_->setEnabled(offer && createDefaultRoute_->isEnabled());
}

void NetworkConfigurationDialog::StoreInto(LineTarget& target) const {
  target.hostName = values_.hostName;
  target.createDefaultRoute = values_.createDefaultRoute ? 1 : 0;
  target.phoneNumber = values_.phoneNumber;
  target.timeout = values_.timeout;
  target.compression = values_.compression ? 1 : 0;
  target.channelBundling = values_.channelBundling ? 1 : 0;
  target.manualOnly = values_.manualConnection ? 1 : 0;
  target.remoteIdentification = values_.remoteIdentification;
  target.localIdentification = values_.localIdentification;
  if (const Layer2Protocol* layer2 = tables_.Layer2At(values_.layer2)) {
    target.layer2Protocol = values_.layer2;
    target.layer2Base = layer2->base;
  }
  if (const Layer3Protocol* layer3 = tables_.Layer3At(values_.layer3)) {
    target.layer3Protocol = values_.layer3;
    target.layer3Type = layer3->type;
  }
}

void NetworkConfigurationDialog::Exchange(DataExchange& exchange, LineTargetValues& values) {
  ExchangeAddressField(exchange, hostName_, values.hostName, addresses_);
  if (exchange.saving()) {
    values.createDefaultRoute = createDefaultRoute_->isChecked();
    values.manualConnection = manualConnection_->isChecked();
    values.channelBundling = channelBundling_->isChecked();
    values.compression = compression_->isChecked();
  } else {
    createDefaultRoute_->setChecked(values.createDefaultRoute);
    manualConnection_->setChecked(values.manualConnection);
    channelBundling_->setChecked(values.channelBundling);
    compression_->setChecked(values.compression);
  }
  if (exchange.failed())
    return;
  // A disabled phone field is taken as it is, without the check.
  ExchangePhoneField(exchange, phoneNumber_, values.phoneNumber);
  ExchangeIdentification(exchange, localIdentification_, values.localIdentification);
  ExchangeIdentification(exchange, remoteIdentification_, values.remoteIdentification);
  ExchangeInteger(exchange, timeout_, values.timeout, 0, kMaxTimeout);
  if (exchange.saving() && !exchange.failed() &&
      PhoneNumberRuleOf(permanentConnection_) == PhoneNumberRule::kZeroOrOne &&
      values.phoneNumber != "0" && values.phoneNumber != "1") {
    exchange.Fail(phoneNumber_, TableText(40108));
  }
  if (!exchange.saving()) {
    if (!values.createDefaultRoute)
      createDefaultRoute_->setEnabled(false);
    ShowProtocols();
    ApplyEnablingRules();
  }
}

void NetworkConfigurationDialog::accept() {
  DataExchange save(DataExchange::Direction::Save, this, messages_);
  LineTargetValues checked = values_;
  Exchange(save, checked);
  if (save.failed())
    return;
  values_ = checked;
  QDialog::accept();
}

void NetworkConfigurationDialog::OnLayer2Chosen(int index) {
  if (index == kPppIndex) {
    values_.layer2 = values_.layer3 = kPppIndex;
  } else {
    values_.layer2 = index;
    if (values_.layer3 == kPppIndex)
      values_.layer3 = 0;
  }
  ShowProtocols();
  if (values_.layer2 != 0 || values_.layer3 != 0) {
    values_.compression = false;
    compression_->setChecked(false);
  }
  ApplyEnablingRules();
}

void NetworkConfigurationDialog::OnLayer3Chosen(int index) {
  if (index == kPppIndex) {
    values_.layer2 = values_.layer3 = kPppIndex;
  } else {
    values_.layer3 = index;
    if (values_.layer2 == kPppIndex)
      values_.layer2 = 0;
  }
  ShowProtocols();
  if (values_.layer2 != 0 || values_.layer3 != 0) {
    values_.compression = false;
    compression_->setChecked(false);
  }
  ApplyEnablingRules();
}

void NetworkConfigurationDialog::OnCompressionClicked(bool checked) {
  values_.compression = checked;
  values_.layer2 = values_.layer3 = 0;
  ShowProtocols();
  ApplyEnablingRules();
}

void NetworkConfigurationDialog::ShowProtocols() {
  layer2_->setCurrentIndex(values_.layer2);
  layer3_->setCurrentIndex(values_.layer3);
}

void NetworkConfigurationDialog::ApplyEnablingRules() {
  const bool ppp = values_.layer2 == kPppIndex && !values_.compression;
  EnableControlAndLabel(remoteIdentification_, ppp);
  EnableControlAndLabel(localIdentification_, ppp);
  EnableControlAndLabel(phoneNumber_,
                        PhoneNumberRuleOf(permanentConnection_) != PhoneNumberRule::kNotUsed);
}

}  // namespace tarcfg
