// SPDX-License-Identifier: GPL-3.0-or-later
// The shared field helpers, the StaticText control and the list rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "shell/field_exchange.h"
#include "shell/router_entries.h"
#include "shell/shell_test_support.h"
#include "shell/static_text.h"

namespace tarcfg::testing {
namespace {

class FieldExchangeTest : public ::testing::Test {
 protected:
  FieldExchangeTest() : addresses_(database_) {
    addresses_.SetNameResolve(true);
    edit_ = new QLineEdit(&dialog_);
    database_.AddHost("gateway.lan", 0xC6336402);
  }
  DataExchange Saving() { return DataExchange(DataExchange::Direction::Save, &dialog_, messages_); }

  FakeNetDatabase database_;
  AddressService addresses_;
  RecordingMessageBoxes messages_;
  QDialog dialog_;
  QLineEdit* edit_;
};

TEST_F(FieldExchangeTest, AddressWithBlanksIsStoredWithout) {
  edit_->setText(QStringLiteral(" 192.168. 1.1 "));
  auto exchange = Saving();
  std::string value = "old";
  EXPECT_TRUE(ExchangeAddressField(exchange, edit_, value, addresses_));
  EXPECT_EQ(value, "192.168.1.1");
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(FieldExchangeTest, AddressAcceptsZeroAndResolvableNames) {
  for (const char* text : {"0.0.0.0", "gateway.lan"}) {
    edit_->setText(QString::fromLatin1(text));
    auto exchange = Saving();
    std::string value;
    EXPECT_TRUE(ExchangeAddressField(exchange, edit_, value, addresses_)) << text;
    EXPECT_EQ(value, text);
  }
}

TEST_F(FieldExchangeTest, BadAddressShows40004KeepsValueAndSelectsTheField) {
  edit_->setText(QStringLiteral("300.1.1.1"));
  auto exchange = Saving();
  std::string value = "10.0.0.1";
  EXPECT_FALSE(ExchangeAddressField(exchange, edit_, value, addresses_));
  EXPECT_TRUE(exchange.failed());
  EXPECT_EQ(value, "10.0.0.1");
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Wrong IP-address or net mask!"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::None);
  EXPECT_EQ(edit_->selectedText(), QStringLiteral("300.1.1.1"));
  // A later field of the same exchange is left alone.
  QLineEdit second;
  second.setText(QStringLiteral("1.2.3.4"));
  std::string other = "x";
  EXPECT_FALSE(ExchangeAddressField(exchange, &second, other, addresses_));
  EXPECT_EQ(other, "x");
  EXPECT_EQ(messages_.shown.size(), 1u);
}

TEST_F(FieldExchangeTest, LoadingSetsTheControlText) {
  DataExchange exchange(DataExchange::Direction::Load, &dialog_, messages_);
  std::string value = "198.51.100.7";
  EXPECT_TRUE(ExchangeAddressField(exchange, edit_, value, addresses_));
  EXPECT_EQ(edit_->text(), QStringLiteral("198.51.100.7"));
}

TEST_F(FieldExchangeTest, CompareValueOutsideTheMaskShows40013) {
  auto refused = Saving();
  CheckMaskAndValue(refused, "255.255.255.0", "192.168.1.5", addresses_);
  EXPECT_TRUE(refused.failed());
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Mask and compare value do not match!"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  auto accepted = Saving();
  EXPECT_EQ(CheckMaskAndValue(accepted, "255.255.255.0", "192.168.1.0", addresses_), 0xC0A80100u);
  EXPECT_FALSE(accepted.failed());
}

TEST_F(FieldExchangeTest, ServiceRules) {
  for (const char* good : {"", "ALL", "allerlei", "telnet", "23/tcp", "0x17/tcp", "027/udp"})
    EXPECT_TRUE(IsValidService(good, database_)) << good;
  for (const char* bad : {"23", "23/xyz", "-1/tcp", "abc/tcp", "nosuchservice", "/tcp", "23/"})
    EXPECT_FALSE(IsValidService(bad, database_)) << bad;
}

TEST_F(FieldExchangeTest, BadServiceShows40009) {
  edit_->setText(QStringLiteral("23"));
  auto exchange = Saving();
  std::string value;
  EXPECT_FALSE(ExchangeServiceField(exchange, edit_, value, database_));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("The current network port is invalid."));
  edit_->setText(QStringLiteral(" 23 / tcp"));
  auto second = Saving();
  EXPECT_TRUE(ExchangeServiceField(second, edit_, value, database_));
  EXPECT_EQ(value, "23/tcp");
}

TEST_F(FieldExchangeTest, PhoneNumberRules) {
  for (const char* good : {"0123456789", "01234567890123456789", "0301234s", "s"})
    EXPECT_TRUE(IsValidPhoneNumber(good)) << good;
  for (const char* bad :
       {"012345678901234567890", "12s34", "+49301234", "", "ss", "0123456789012345678901s"})
    EXPECT_FALSE(IsValidPhoneNumber(bad)) << bad;
}

TEST_F(FieldExchangeTest, PhoneFieldChecksOnlyWhenEnabled) {
  edit_->setText(QStringLiteral("+49"));
  auto exchange = Saving();
  std::string value;
  EXPECT_FALSE(ExchangePhoneField(exchange, edit_, value));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Current phone number is incorrect!"));
  edit_->setEnabled(false);
  auto disabled = Saving();
  EXPECT_TRUE(ExchangePhoneField(disabled, edit_, value));
  EXPECT_EQ(value, "+49");
  EXPECT_EQ(messages_.shown.size(), 1u);
}

TEST_F(FieldExchangeTest, StandardPromptsForIntegersAndLength) {
  int number = 3;
  edit_->setText(QStringLiteral("abc"));
  auto notNumber = Saving();
  EXPECT_FALSE(ExchangeInteger(notNumber, edit_, number, 1, 6));
  edit_->setText(QStringLiteral("7"));
  auto outOfRange = Saving();
  EXPECT_FALSE(ExchangeInteger(outOfRange, edit_, number, 1, 6));
  edit_->setText(QStringLiteral("6"));
  auto inRange = Saving();
  EXPECT_TRUE(ExchangeInteger(inRange, edit_, number, 1, 6));
  EXPECT_EQ(number, 6);
  edit_->setText(QStringLiteral("elevenchars"));
  std::string text = "kept";
  auto tooLong = Saving();
  EXPECT_FALSE(ExchangeText(tooLong, edit_, text, 10));
  EXPECT_EQ(text, "kept");
  ASSERT_EQ(messages_.shown.size(), 3u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Please enter an integer."));
  EXPECT_EQ(messages_.shown[1].text, QStringLiteral("Please enter an integer between 1 and 6."));
  EXPECT_EQ(messages_.shown[2].text, QStringLiteral("Please enter no more than 10 characters."));
}

TEST_F(FieldExchangeTest, EnableControlAndLabelTakesTheBuddyLabel) {
  auto* label = new QLabel(QStringLiteral("&Phone:"), &dialog_);
  auto* phone = new QLineEdit(&dialog_);
  label->setBuddy(phone);
  EnableControlAndLabel(phone, false);
  EXPECT_FALSE(phone->isEnabled());
  EXPECT_FALSE(label->isEnabled());
  EXPECT_TRUE(edit_->isEnabled());
  EnableControlAndLabel(phone, true);
  EXPECT_TRUE(label->isEnabled());
  EnableControl(edit_, false);
  EXPECT_FALSE(edit_->isEnabled());
}

TEST(TabStopTest, HeadersAt8And84DialogUnitsGiveOneStopAt76) {
  QDialog dialog;
  DialogUnits units(dialog.font());
  auto* first = new QLabel(QStringLiteral("H&W-Address"), &dialog);
  auto* second = new QLabel(QStringLiteral("Name"), &dialog);
  auto* third = new QLabel(QStringLiteral("More"), &dialog);
  first->move(units.ToPixelsX(8), 10);
  second->move(units.ToPixelsX(84), 10);
  third->move(units.ToPixelsX(120), 10);
  EXPECT_EQ(ListTabStops({first, second}, units), std::vector<int>{76});
  EXPECT_EQ(ListTabStops({first, nullptr, second, third}, units), (std::vector<int>{76, 112}));
  EXPECT_TRUE(ListTabStops({first}, units).empty());
  QListWidget list(&dialog);
  SetListTabStops(&list, {first, second}, units);
  list.addItem(QStringLiteral(" 00-60-1a-10-00-01\t198.51.100.10 "));
  EXPECT_EQ(TabStopsOf(&list), std::vector<int>{76});
  EXPECT_EQ(list.item(0)->text(), QStringLiteral(" 00-60-1a-10-00-01\t198.51.100.10 "));
  EXPECT_NE(qobject_cast<TabStopDelegate*>(list.itemDelegate()), nullptr);
}

TEST(StaticTextTest, ShowsAtMost78CharactersInThePalettesColours) {
  StaticText text(nullptr, StaticText::kRightAlignStyle);
  text.resize(200, 20);
  text.setText(QString(100, QLatin1Char('x')));
  EXPECT_EQ(text.shownText().size(), 78);
  EXPECT_EQ(text.text().size(), 100);
  EXPECT_TRUE(text.rightAligned());
  EXPECT_TRUE(text.testAttribute(Qt::WA_OpaquePaintEvent));
  QImage image = text.grab().toImage();
  EXPECT_EQ(image.pixelColor(0, image.height() - 1), text.palette().color(QPalette::Window));
  EXPECT_EQ(text.font(), QApplication::font());
}

TEST(RouterRulesTest, ChangeKinds) {
  RouterParameters current;
  current.name = "198.51.100.10";
  current.firmwareVersion = "2.10";
  auto changed = [&](auto edit) {
    RouterParameters p = current;
    edit(p);
    return CompareRouterParameters(current, p);
  };
  EXPECT_EQ(changed([](RouterParameters&) {}), 0);
  EXPECT_EQ(changed([](RouterParameters& p) { p.password = "a"; }), -1);
  EXPECT_EQ(changed([](RouterParameters& p) { p.exclusiveToThisHost = 1; }), -1);
  EXPECT_EQ(changed([](RouterParameters& p) { p.netmask = "255.0.0.0"; }), -2);
  EXPECT_EQ(changed([](RouterParameters& p) { p.name = "198.51.100.11"; }), -2);
  EXPECT_EQ(changed([](RouterParameters& p) {
              p.phoneNumber = "1";
              p.password = "b";
            }),
            -3);
  EXPECT_EQ(changed([](RouterParameters& p) {
              p.dChannelProtocol = 1;
              p.password = "b";
            }),
            -4);
  EXPECT_EQ(changed([](RouterParameters& p) { p.permanentConnection = 2; }), -4);
  EXPECT_EQ(changed([](RouterParameters& p) { p.firmwareVersion = "2.1"; }), -4);
  // Texts compare case-sensitively.
  EXPECT_EQ(changed([](RouterParameters& p) { p.password = ""; }), 0);
  current.password = "Secret";
  EXPECT_EQ(changed([](RouterParameters& p) { p.password = "secret"; }), -1);
}

TEST(RouterRulesTest, HardwareAddressTextRoundTripsAndRejectsJunk) {
  std::array<std::uint8_t, 6> bytes{};
  EXPECT_TRUE(ParseListedHardwareAddress("00-60-1A-10-ff-0c", bytes));
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 6>{0x00, 0x60, 0x1a, 0x10, 0xff, 0x0c}));
  EXPECT_EQ(FormatHardwareAddress(bytes), "00-60-1a-10-ff-0c");
  for (const char* bad : {"", "00-60-1a-10-ff", "00-60-1a-10-ff-0g", "00:60:1a:10:ff:0c"}) {
    EXPECT_FALSE(ParseListedHardwareAddress(bad, bytes)) << bad;
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 6>{})) << bad;
  }
}

}  // namespace
}  // namespace tarcfg::testing
