// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/router_configuration_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/field_checks.h"
#include "config/firmware_files.h"
#include "config/operating_modes.h"
#include "dialogs/change_password_dialog.h"
#include "dialogs/select_firmware_dialog.h"
#include "shell/field_exchange.h"
#include "shell/static_text.h"

namespace tarcfg {

namespace {

QString Latin1(const std::string& text) {
  return QString::fromLatin1(text.c_str());
}

}  // namespace

RouterConfigurationDialog::RouterConfigurationDialog(ShellContext& context,
                                                     const RouterParameters& current,
                                                     RouterPasswordChoice& choice, QWidget* parent)
    : QDialog(parent), context_(context), current_(current), choice_(choice) {
  setObjectName(QStringLiteral("routerConfigurationDialog"));
  setWindowTitle(tr("Router Configuration"));

  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("ipAddress"));
  netmaskEdit_ = new QLineEdit(this);
  netmaskEdit_->setObjectName(QStringLiteral("netMask"));
  phone_ = new QLineEdit(this);
  phone_->setObjectName(QStringLiteral("phoneNumber"));
  modeList_ = new QComboBox(this);
  modeList_->setObjectName(QStringLiteral("operatingMode"));
  firmware_ = new StaticText(this);
  firmware_->setObjectName(QStringLiteral("firmwareVersion"));
  firmware_->setMinimumWidth(80);

  auto* grid = new QGridLayout;
  auto addRow = [this, grid](int row, const QString& text, QWidget* field) {
    auto* label = new QLabel(text, this);
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
  };
  addRow(0, tr("&IP-Address:"), address_);
  addRow(1, tr("&Net Mask:"), netmaskEdit_);
  addRow(2, tr("&Phone Number:"), phone_);
  addRow(3, tr("&Operating Mode:"), modeList_);
  grid->addWidget(new QLabel(tr("Firmware Version:"), this), 4, 0);
  grid->addWidget(firmware_, 4, 1);

  // OK and Cancel on top, the two change buttons below them.
  ok_ = new QPushButton(tr("OK"), this);
  ok_->setObjectName(QStringLiteral("okButton"));
  ok_->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  changeFirmware_ = new QPushButton(tr("Change &Firmware"), this);
  changeFirmware_->setObjectName(QStringLiteral("changeFirmware"));
  changePassword_ = new QPushButton(tr("&Change Password"), this);
  changePassword_->setObjectName(QStringLiteral("changePassword"));
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  buttons->addStretch();
  buttons->addWidget(changeFirmware_);
  buttons->addWidget(changePassword_);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(changeFirmware_, &QPushButton::clicked, this, [this] { ChangeFirmware(); });
  connect(changePassword_, &QPushButton::clicked, this, [this] { ChangePassword(); });

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  // 1. The values from the current parameters.
  name_ = current_.name.str();
  netmask_ = current_.netmask.str();
  if (netmask_.empty())
    netmask_ = FormatAddressText(context_.settings.netMask);
  phoneNumber_ = current_.phoneNumber.str();
  DataExchange load(DataExchange::Direction::Load, this, context_.messages);
  Exchange(load);
  // 2. The password choice starts from the current parameters.
  choice_.exclusiveChoice = current_.exclusiveToThisHost;
  choice_.newPassword = current_.password.str();
  // 3.-6. Operating modes, the current one and the firmware text.
  SetUpOperatingModes();
  connect(modeList_, &QComboBox::activated, this, [this](int index) { OnModeChosen(index); });
  address_->setFocus();
}

void RouterConfigurationDialog::SetUpOperatingModes() {
  // A switched mode is offered when an image of its D-channel protocol is
  // present, a permanent connection when any image is. A permanent
  // connection keeps the router's D-channel protocol; DSS1 while that is
  // not known.
  const std::string& directory = context_.settings.firmwarePath;
  std::array<std::string, kModeCount> newest;
  bool any = false;
  for (int id = 0; id < kModeCount; ++id) {
    const OperatingModeEntry& mode = kOperatingModes[static_cast<std::size_t>(id)];
    const bool keeps = mode.dChannelProtocol == kKeepDChannelProtocol;
    modes_[id] = {mode.displayName,
                  keeps ? SwitchedMode(1).dChannelProtocol : mode.dChannelProtocol,
                  mode.permanentConnection, false, -1};
    if (!keeps)
      newest[id] = NewestFirmwareVersion(directory, mode.dChannelProtocol);
    any = any || !newest[id].empty();
  }
  EnableControlAndLabel(modeList_, any);
  EnableControl(changeFirmware_, any);
  for (int id = 0; id < kModeCount; ++id)
    modes_[id].offered = modes_[id].permanentConnection != 0 ? any : !newest[id].empty();

  if (current_.name.empty()) {
    // The router's parameters are not known: propose DSS1, or the switched
    // mode whose firmware is present when DSS1's is not.
    mode_ = OperatingModeIndex(SwitchedMode(1));
    for (int id = 0; id < kModeCount && newest[mode_].empty(); ++id)
      if (!newest[id].empty())
        mode_ = id;
    firmwareText_ = newest[mode_];
  } else {
    const OperatingModeEntry* mode =
        RouterOperatingMode(current_.dChannelProtocol, current_.permanentConnection);
    mode_ = OperatingModeIndex(mode ? *mode : SwitchedMode(1));
    for (auto& entry : modes_)
      if (entry.permanentConnection != 0)
        entry.dChannelProtocol = current_.dChannelProtocol;
    firmwareText_ = current_.firmwareVersion.str();
  }

  modeList_->clear();
  for (int id = 0; id < kModeCount; ++id) {
    if (!modes_[id].offered)
      continue;
    modes_[id].listPosition = modeList_->count();
    modeList_->addItem(QString::fromLatin1(modes_[id].name), id);
  }
  modeList_->setCurrentIndex(modes_[mode_].listPosition);
  ShowFirmwareText();
}

void RouterConfigurationDialog::OnModeChosen(int listIndex) {
  if (listIndex < 0)
    return;
  const int id = modeList_->itemData(listIndex).toInt();
  if (id < 0 || id >= kModeCount)
    return;
  mode_ = id;
  firmwareText_ = current_.firmwareVersion.str();
  const std::string& directory = context_.settings.firmwarePath;
  const ModeEntry& mode = modes_[id];
  if (mode.permanentConnection == 0) {
    if (mode.dChannelProtocol != current_.dChannelProtocol)
      firmwareText_ = NewestFirmwareVersion(directory, mode.dChannelProtocol);
  } else if (current_.name.empty()) {
    firmwareText_ = NewestFirmwareVersion(directory, mode.dChannelProtocol);
  }
  ShowFirmwareText();
}

void RouterConfigurationDialog::ShowFirmwareText() {
  firmware_->setText(Latin1(firmwareText_));
  ok_->setEnabled(!firmwareText_.empty());
}

void RouterConfigurationDialog::ChangeFirmware() {
  SelectFirmwareDialog select(context_.settings.firmwarePath, modes_[mode_].dChannelProtocol,
                              firmwareText_, this);
  if (select.exec() != QDialog::Accepted)
    return;
  firmwareText_ = select.version();
  ShowFirmwareText();
}

void RouterConfigurationDialog::ChangePassword() {
  ChangePasswordDialog change(context_.messages, address_->text(), choice_.exclusiveChoice != 0,
                              this);
  if (change.exec() != QDialog::Accepted)
    return;
  choice_.exclusiveChoice = change.exclusive() ? 1 : 0;
  choice_.newPassword = change.newPassword();
}

bool RouterConfigurationDialog::Exchange(DataExchange& exchange) {
  // Field order: address, phone number, net mask.
  AddressService& addresses = context_.addresses;
  std::string name = name_;
  std::string phone = phoneNumber_;
  std::string netmask = netmask_;
  ExchangeAddressField(exchange, address_, name, addresses);
  ExchangePhoneField(exchange, phone_, phone);
  ExchangeAddressField(exchange, netmaskEdit_, netmask, addresses);
  if (!exchange.saving() || exchange.failed())
    return !exchange.failed();

  RouterParameters result;
  result.name = name;
  result.netmask = netmask;
  result.phoneNumber = phone;
  // The operating mode of the list selection. With nothing selected (the
  // router's own mode has no firmware file here) the router keeps its mode:
  // taking DSS1 instead would turn a parameter edit into a download.
  int id = -1;
  if (modeList_->currentIndex() >= 0)
    id = modeList_->currentData().toInt();
  if (id >= 0 && id < kModeCount) {
    result.dChannelProtocol = static_cast<std::uint8_t>(modes_[id].dChannelProtocol);
    result.permanentConnection = static_cast<std::uint8_t>(modes_[id].permanentConnection);
  } else if (!current_.name.empty()) {
    result.dChannelProtocol = current_.dChannelProtocol;
    result.permanentConnection = current_.permanentConnection;
  } else {
    result.dChannelProtocol = static_cast<std::uint8_t>(modes_[mode_].dChannelProtocol);
    result.permanentConnection = static_cast<std::uint8_t>(modes_[mode_].permanentConnection);
  }
  result.firmwareVersion = firmwareText_;
  result.password = choice_.newPassword;
  result.exclusiveToThisHost = choice_.exclusiveChoice;

  // A router outside the workstation's own network is possible, but asked about.
  const std::uint32_t mask = addresses.ResolveAddress(netmask);
  const std::uint32_t router = addresses.ResolveAddress(name);
  std::uint32_t own = context_.protocol ? context_.protocol->ownAddress() : 0;
  if (own == 0)
    own = context_.settings.ownAddress;
  if (!InOwnNetwork(mask, router, own) &&
      !context_.messages.AskYesNo(this, TableText(40110), MessageIcon::Question, Answer::No)) {
    exchange.Fail(address_, QString());
    return false;
  }
  // The router's own number is dialled, never a prefix that ends in 's'.
  if (!IsDiallableRouterNumber(phone)) {
    exchange.Fail(phone_, TableText(40104));
    return false;
  }
  name_ = name;
  netmask_ = netmask;
  phoneNumber_ = phone;
  result_ = result;
  return true;
}

void RouterConfigurationDialog::accept() {
  DataExchange save(DataExchange::Direction::Save, this, context_.messages);
  if (Exchange(save))
    QDialog::accept();
}

}  // namespace tarcfg
