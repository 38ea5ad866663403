// SPDX-License-Identifier: GPL-3.0-or-later
// Router Configuration, Change Password and Select Firmware on their own:
// the operating modes the firmware files offer, the firmware text a mode
// proposes, the validation order and the password rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <fstream>

#include "dialogs/change_password_dialog.h"
#include "dialogs/router_configuration_dialog.h"
#include "dialogs/select_firmware_dialog.h"
#include "dialogs_router/router_dialogs_test_support.h"
#include "shell/static_text.h"

namespace tarcfg::testing {
namespace {

class RouterConfigurationTest : public RouterDialogsTest {
 protected:
  RouterConfigurationTest() {
    current_.name = "198.51.100.10";
    current_.netmask = "255.255.255.0";
    current_.phoneNumber = "0301110";
    current_.dChannelProtocol = 1;
    current_.firmwareVersion = "2.10";
    current_.password = "old";
  }

  std::unique_ptr<RouterConfigurationDialog> Open() {
    auto dialog = std::make_unique<RouterConfigurationDialog>(*context_, current_, choice_);
    dialog->show();
    return dialog;
  }
  static QComboBox* Modes(QDialog* dialog) {
    return dialog->findChild<QComboBox*>(QStringLiteral("operatingMode"));
  }
  static std::vector<QString> ModeNames(QDialog* dialog) {
    std::vector<QString> names;
    for (int i = 0; i < Modes(dialog)->count(); ++i)
      names.push_back(Modes(dialog)->itemText(i));
    return names;
  }
  // The user picks the line `name` of the operating-mode list.
  static void Choose(QDialog* dialog, const QString& name) {
    QComboBox* modes = Modes(dialog);
    const int index = modes->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    modes->setCurrentIndex(index);
    emit modes->activated(index);
  }
  static QString Firmware(QDialog* dialog) {
    return dialog->findChild<StaticText*>(QStringLiteral("firmwareVersion"))->text();
  }
  static QLineEdit* Field(QDialog* dialog, const char* name) {
    return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
  }
  static QPushButton* Button(QDialog* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
  }

  RouterParameters current_;
  RouterPasswordChoice choice_;
};

TEST_F(RouterConfigurationTest, FieldsComeFromTheCurrentParameters) {
  current_.netmask = "";
  auto dialog = Open();
  EXPECT_EQ(Field(dialog.get(), "ipAddress")->text(), QStringLiteral("198.51.100.10"));
  // An unknown net mask is the workstation's.
  EXPECT_EQ(Field(dialog.get(), "netMask")->text(), QStringLiteral("255.255.255.0"));
  EXPECT_EQ(Field(dialog.get(), "phoneNumber")->text(), QStringLiteral("0301110"));
  EXPECT_EQ(Firmware(dialog.get()), QStringLiteral("2.10"));
  EXPECT_EQ(choice_.newPassword, "old");
}

TEST_F(RouterConfigurationTest, WithoutFirmwareTheModeListAndChangeFirmwareAreDisabled) {
  auto dialog = Open();
  EXPECT_EQ(Modes(dialog.get())->count(), 0);
  EXPECT_FALSE(Modes(dialog.get())->isEnabled());
  EXPECT_FALSE(Button(dialog.get(), "changeFirmware")->isEnabled());
  EXPECT_TRUE(Button(dialog.get(), "okButton")->isEnabled());  // the router's own version

  current_.firmwareVersion = "";
  auto unknown = Open();
  EXPECT_FALSE(Button(unknown.get(), "okButton")->isEnabled());
}

TEST_F(RouterConfigurationTest, OnlyDss1FirmwareOffersDss1AndThePermanentModes) {
  WriteFirmware("fw_dss1.2.20", 0);
  auto dialog = Open();
  EXPECT_EQ(ModeNames(dialog.get()),
            (std::vector<QString>{"DSS1", "Digital FV64S", "Digital FVS01", "Digital FVS02"}));
  EXPECT_EQ(Modes(dialog.get())->currentText(), QStringLiteral("DSS1"));
  EXPECT_TRUE(Button(dialog.get(), "changeFirmware")->isEnabled());
}

TEST_F(RouterConfigurationTest, BothFirmwaresOfferAllModesAndSelectTheRoutersOwn) {
  WriteFirmware("fw_dss1.2.20", 0);
  WriteFirmware("fw_1tr6.1.60", 0);
  current_.permanentConnection = 2;
  auto dialog = Open();
  EXPECT_EQ(ModeNames(dialog.get()), (std::vector<QString>{"1TR6", "DSS1", "Digital FV64S",
                                                           "Digital FVS01", "Digital FVS02"}));
  EXPECT_EQ(Modes(dialog.get())->currentText(), QStringLiteral("Digital FVS01"));
  EXPECT_STREQ(dialog->mode().name, "FVS01");
}

TEST_F(RouterConfigurationTest, OtherProtocolProposesItsNewestAndSwitchingBackRestoresOwn) {
  WriteFirmware("fw_1tr6.1.50", 600);
  WriteFirmware("fw_1tr6.1.60", 60);
  WriteFirmware("fw_dss1.2.20", 0);
  auto dialog = Open();
  Choose(dialog.get(), "1TR6");
  EXPECT_EQ(Firmware(dialog.get()), QStringLiteral("1.60"));
  Choose(dialog.get(), "DSS1");
  EXPECT_EQ(Firmware(dialog.get()), QStringLiteral("2.10"));
  // A permanent mode of a known router keeps its firmware and protocol.
  Choose(dialog.get(), "Digital FV64S");
  EXPECT_EQ(Firmware(dialog.get()), QStringLiteral("2.10"));
  dialog->accept();
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->parameters().dChannelProtocol, 1);
  EXPECT_EQ(dialog->parameters().permanentConnection, 1);
  EXPECT_EQ(dialog->parameters().firmwareVersion, "2.10");
}

TEST_F(RouterConfigurationTest, ResultCarriesTheChosenProtocolAndFirmware) {
  WriteFirmware("fw_1tr6.1.60", 0);
  WriteFirmware("fw_dss1.2.20", 0);
  auto dialog = Open();
  Field(dialog.get(), "phoneNumber")->setText(QStringLiteral(" 030 2222 "));
  Choose(dialog.get(), "1TR6");
  dialog->accept();
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  const RouterParameters& result = dialog->parameters();
  EXPECT_EQ(result.name, "198.51.100.10");
  EXPECT_EQ(result.phoneNumber, "0302222");
  EXPECT_EQ(result.dChannelProtocol, 0);
  EXPECT_EQ(result.permanentConnection, 0);
  EXPECT_EQ(result.firmwareVersion, "1.60");
  EXPECT_EQ(result.password, "old");
  EXPECT_TRUE(messages_.shown.empty());
}

// A router whose mode has no firmware file here shows no mode in the list;
// editing its phone number must not change its protocol or connection type.
TEST_F(RouterConfigurationTest, NoModeSelectedKeepsTheRoutersProtocolAndConnection) {
  WriteFirmware("fw_dss1.2.20", 0);
  current_.dChannelProtocol = 0;  // 1TR6, whose firmware is missing
  auto dialog = Open();
  ASSERT_EQ(Modes(dialog.get())->currentIndex(), -1);
  Field(dialog.get(), "phoneNumber")->setText(QStringLiteral("0302222"));
  dialog->accept();
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->parameters().dChannelProtocol, 0);
  EXPECT_EQ(dialog->parameters().permanentConnection, 0);
  EXPECT_EQ(dialog->parameters().firmwareVersion, "2.10");
  EXPECT_EQ(dialog->parameters().phoneNumber, "0302222");
}

TEST_F(RouterConfigurationTest, PermanentModeWithoutFirmwareFilesStaysAsItIs) {
  for (std::uint8_t permanent : {1, 2, 3}) {
    current_.permanentConnection = permanent;
    current_.dChannelProtocol = 0;
    auto dialog = Open();
    ASSERT_EQ(Modes(dialog.get())->count(), 0);
    Field(dialog.get(), "phoneNumber")->setText(QStringLiteral("1"));
    dialog->accept();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->parameters().permanentConnection, permanent);
    EXPECT_EQ(dialog->parameters().dChannelProtocol, 0);
    EXPECT_EQ(dialog->parameters().firmwareVersion, "2.10");
  }
}

TEST_F(RouterConfigurationTest, RouterWithUnknownParametersGetsTheFirmwarePresent) {
  current_ = RouterParameters{};
  current_.dChannelProtocol = 255;
  WriteFirmware("fw_1tr6.1.60", 0);
  auto only1tr6 = Open();
  EXPECT_STREQ(only1tr6->mode().name, "1TR6");
  EXPECT_EQ(Firmware(only1tr6.get()), QStringLiteral("1.60"));

  WriteFirmware("fw_dss1.2.20", 0);
  auto both = Open();
  EXPECT_STREQ(both->mode().name, "DSS1");
  EXPECT_EQ(Firmware(both.get()), QStringLiteral("2.20"));
  // A permanent mode proposes the DSS1 firmware for such a router.
  Choose(both.get(), "1TR6");
  Choose(both.get(), "Digital FVS02");
  EXPECT_EQ(Firmware(both.get()), QStringLiteral("2.20"));
}

TEST_F(RouterConfigurationTest, AddressOutsideTheOwnNetworkIsAskedAbout) {
  auto dialog = Open();
  QLineEdit* address = Field(dialog.get(), "ipAddress");
  address->setText(QStringLiteral("192.168.2.5"));
  messages_.answers = {false};
  dialog->accept();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(
      messages_.shown[0].text,
      QStringLiteral("The selected IP-address is not part of the local network. Use it anyway?"));
  EXPECT_EQ(messages_.shown[0].defaultAnswer, Answer::No) << "Enter keeps the dialog open";
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->focusWidget(), address);
  EXPECT_EQ(address->selectedText(), QStringLiteral("192.168.2.5"));

  messages_.answers = {true};
  dialog->accept();
  EXPECT_EQ(messages_.shown.size(), 2u);
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->parameters().name, "192.168.2.5");
}

TEST_F(RouterConfigurationTest, FieldsAreCheckedInOrderAndTheFirstFailureWins) {
  auto dialog = Open();
  Field(dialog.get(), "ipAddress")->setText(QStringLiteral("1.2.3"));
  Field(dialog.get(), "phoneNumber")->setText(QStringLiteral("12a4"));
  dialog->accept();
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{"Wrong IP-address or net mask!"}));
  EXPECT_EQ(dialog->focusWidget(), Field(dialog.get(), "ipAddress"));

  Field(dialog.get(), "ipAddress")->setText(QStringLiteral("198.51.100.10"));
  Field(dialog.get(), "netMask")->setText(QStringLiteral("nonsense"));
  dialog->accept();
  EXPECT_EQ(MessageTexts().back(), QStringLiteral("Current phone number is incorrect!"));
  EXPECT_EQ(dialog->focusWidget(), Field(dialog.get(), "phoneNumber"));

  Field(dialog.get(), "phoneNumber")->setText(QStringLiteral("0301110"));
  dialog->accept();
  EXPECT_EQ(MessageTexts().back(), QStringLiteral("Wrong IP-address or net mask!"));
  EXPECT_EQ(dialog->focusWidget(), Field(dialog.get(), "netMask"));
  EXPECT_EQ(messages_.shown.size(), 3u);
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(RouterConfigurationTest, PhoneNumberEndingInSIsRefusedForTheRouter) {
  auto dialog = Open();
  Field(dialog.get(), "phoneNumber")->setText(QStringLiteral("1234s"));
  dialog->accept();
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{"Current phone number is incorrect!"}));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::None);
  EXPECT_EQ(dialog->focusWidget(), Field(dialog.get(), "phoneNumber"));
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(RouterConfigurationTest, ChangePasswordSetsTheNewPasswordAndExclusiveRight) {
  auto dialog = Open();
  Field(dialog.get(), "ipAddress")->setText(QStringLiteral("198.51.100.10"));
  QString shownRouter;
  WhenModalOpens([&](QDialog* change) {
    shownRouter = change->findChild<StaticText*>(QStringLiteral("routerName"))->text();
    EXPECT_FALSE(change->findChild<QCheckBox*>(QStringLiteral("exclusive"))->isChecked());
    change->findChild<QLineEdit*>(QStringLiteral("newPassword"))->setText(QStringLiteral("New1"));
    change->findChild<QLineEdit*>(QStringLiteral("confirmPassword"))
        ->setText(QStringLiteral("New1"));
    change->findChild<QCheckBox*>(QStringLiteral("exclusive"))->setChecked(true);
    change->accept();
  });
  Button(dialog.get(), "changePassword")->click();
  EXPECT_EQ(shownRouter, QStringLiteral("198.51.100.10"));
  EXPECT_EQ(choice_.newPassword, "New1");
  EXPECT_EQ(choice_.exclusiveChoice, 1);
  dialog->accept();
  ASSERT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->parameters().password, "New1");
  EXPECT_EQ(dialog->parameters().exclusiveToThisHost, 1);
  // Opening again starts from the current parameters.
  auto again = Open();
  EXPECT_EQ(choice_.newPassword, "old");
  EXPECT_EQ(choice_.exclusiveChoice, 0);
}

TEST_F(RouterConfigurationTest, ChangeFirmwareTakesTheChosenVersion) {
  WriteFirmware("fw_dss1.2.20", 60);
  WriteFirmware("fw_dss1.2.30", 0);
  auto dialog = Open();
  std::vector<QString> offered;
  WhenModalOpens([&](QDialog* select) {
    auto* list = select->findChild<QListWidget*>(QStringLiteral("versions"));
    for (int row = 0; row < list->count(); ++row)
      offered.push_back(list->item(row)->text());
    list->setCurrentRow(1);
    select->accept();
  });
  Button(dialog.get(), "changeFirmware")->click();
  EXPECT_EQ(offered, (std::vector<QString>{"2.30", "2.20"}));
  EXPECT_EQ(Firmware(dialog.get()), QStringLiteral("2.20"));
}

class ChangePasswordTest : public RouterDialogsTest {
 protected:
  void Type(const char* password, const char* confirmation) {
    dialog_.findChild<QLineEdit*>(QStringLiteral("newPassword"))
        ->setText(QString::fromLatin1(password));
    dialog_.findChild<QLineEdit*>(QStringLiteral("confirmPassword"))
        ->setText(QString::fromLatin1(confirmation));
    dialog_.accept();
  }
  ChangePasswordDialog dialog_{messages_, QStringLiteral("198.51.100.10"), true};
};

TEST_F(ChangePasswordTest, ConfirmationMustMatchExactly) {
  dialog_.show();
  Type("Secret", "secret");
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{"Wrong confirmation of new password!"}));
  EXPECT_EQ(dialog_.focusWidget(),
            dialog_.findChild<QLineEdit*>(QStringLiteral("confirmPassword")));
  EXPECT_NE(dialog_.result(), QDialog::Accepted);
  Type("Secret", "Secret");
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
  EXPECT_EQ(dialog_.newPassword(), "Secret");
  EXPECT_TRUE(dialog_.exclusive());
}

TEST_F(ChangePasswordTest, EachPasswordHoldsAtMostTenCharacters) {
  dialog_.show();
  Type("12345678901", "12345678901");
  Type("1234567890", "12345678901");
  EXPECT_EQ(MessageTexts(), (std::vector<QString>{"Please enter no more than 10 characters.",
                                                  "Please enter no more than 10 characters."}));
  EXPECT_EQ(dialog_.focusWidget(),
            dialog_.findChild<QLineEdit*>(QStringLiteral("confirmPassword")));
  EXPECT_NE(dialog_.result(), QDialog::Accepted);
}

TEST_F(ChangePasswordTest, EmptyPasswordTwiceIsAccepted) {
  Type("", "");
  EXPECT_EQ(dialog_.result(), QDialog::Accepted);
  EXPECT_EQ(dialog_.newPassword(), "");
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(RouterDialogsTest, SelectFirmwareEnablesOkOnlyWithASelection) {
  WriteFirmware("fw_dss1.120", 60);
  WriteFirmware("fw_dss1.140", 0);
  SelectFirmwareDialog none(directory_.string(), 1, "999");
  auto* list = none.findChild<QListWidget*>(QStringLiteral("versions"));
  auto* ok = none.findChild<QPushButton*>(QStringLiteral("okButton"));
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("140"));
  EXPECT_FALSE(ok->isEnabled());
  list->setCurrentRow(1);
  EXPECT_TRUE(ok->isEnabled());
  // A double-click acts as OK.
  emit list->itemDoubleClicked(list->item(1));
  EXPECT_EQ(none.result(), QDialog::Accepted);
  EXPECT_EQ(none.version(), "120");

  SelectFirmwareDialog empty(directory_.string(), 0, "");
  EXPECT_EQ(empty.findChild<QListWidget*>(QStringLiteral("versions"))->count(), 0);
  EXPECT_FALSE(empty.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled());
}

TEST_F(RouterDialogsTest, FillFirmwareVersionsSelectsTheCurrentIgnoringCase) {
  WriteFirmware("fw_dss1.2.1A", 0);
  WriteFirmware("fw_dss1.2.0", 60);
  std::filesystem::create_directory(directory_ / "fw_dss1.x");
  QListWidget list;
  FillFirmwareVersions(&list, directory_.string(), 1, "2.1a");
  ASSERT_EQ(list.count(), 2);
  EXPECT_EQ(list.currentItem()->text(), QStringLiteral("2.1A"));
  EXPECT_TRUE(list.currentItem()->isSelected());
}

}  // namespace
}  // namespace tarcfg::testing
