// SPDX-License-Identifier: GPL-3.0-or-later
// Network Configuration: defaults, protocol coupling, enabling rules, the
// validation order and how records are loaded and stored.
#include <QCheckBox>
#include <QComboBox>

#include "dialogs/dialogs_test_support.h"
#include "dialogs/network_configuration_dialog.h"

namespace tarcfg::testing {
namespace {

class NetworkConfigurationTest : public ShellTest {
 protected:
  std::unique_ptr<NetworkConfigurationDialog> Make(int permanentConnection = 0) {
    auto dialog = std::make_unique<NetworkConfigurationDialog>(
        context_->tables, context_->addresses, messages_, permanentConnection);
    dialog->show();
    return dialog;
  }
  static void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  // Fills the fields that pass, then applies `change`, presses OK.
  void FillValid(NetworkConfigurationDialog& d) {
    Edit(&d, "hostName")->setText("198.51.100.200");
    Edit(&d, "phoneNumber")->setText("0301234567");
    Edit(&d, "timeout")->setText("20");
  }
  QString LastMessage() const {
    return messages_.shown.empty() ? QString() : messages_.shown.back().text;
  }
};

TEST_F(NetworkConfigurationTest, NewLineTargetShowsDefaultsAndBuiltInNamesInCapitals) {
  auto d = Make();
  EXPECT_EQ(Edit(d.get(), "hostName")->text(), "");
  EXPECT_EQ(Edit(d.get(), "timeout")->text(), "20");
  auto* route = Find<QCheckBox>(d.get(), "createDefaultRoute");
  EXPECT_TRUE(route->isChecked());
  EXPECT_TRUE(route->isEnabled());
  auto* layer2 = Find<QComboBox>(d.get(), "layer2");
  auto* layer3 = Find<QComboBox>(d.get(), "layer3");
  ASSERT_GE(layer2->count(), 3);
  EXPECT_EQ(layer2->itemText(0), "X75");
  EXPECT_EQ(layer2->itemText(1), "HDLC");
  EXPECT_EQ(layer2->itemText(2), "PPP");
  EXPECT_EQ(layer3->itemText(0), "NULL");
  EXPECT_EQ(layer3->itemText(1), "T70NL");
  EXPECT_EQ(layer3->itemText(2), "PPP");
  EXPECT_EQ(layer2->currentIndex(), 0);
  EXPECT_EQ(layer3->currentIndex(), 0);
  EXPECT_FALSE(Edit(d.get(), "localIdentification")->isEnabled());
  EXPECT_FALSE(Edit(d.get(), "remoteIdentification")->isEnabled());
}

TEST_F(NetworkConfigurationTest, PppIsChosenOnBothLayersTogether) {
  auto d = Make();
  auto* layer2 = Find<QComboBox>(d.get(), "layer2");
  auto* layer3 = Find<QComboBox>(d.get(), "layer3");
  Choose(layer2, 2);
  EXPECT_EQ(layer3->currentIndex(), 2);
  EXPECT_TRUE(Edit(d.get(), "localIdentification")->isEnabled());
  EXPECT_TRUE(Edit(d.get(), "remoteIdentification")->isEnabled());
  Choose(layer2, 1);  // HDLC: layer 3 leaves PPP for its first entry
  EXPECT_EQ(layer3->currentIndex(), 0);
  EXPECT_FALSE(Edit(d.get(), "localIdentification")->isEnabled());
  Choose(layer3, 2);
  EXPECT_EQ(layer2->currentIndex(), 2);
  Choose(layer3, 1);
  EXPECT_EQ(layer2->currentIndex(), 0);
  EXPECT_EQ(layer3->currentIndex(), 1);
}

TEST_F(NetworkConfigurationTest, CompressionGoesOnlyWithTheFirstProtocols) {
  auto d = Make();
  auto* layer2 = Find<QComboBox>(d.get(), "layer2");
  auto* layer3 = Find<QComboBox>(d.get(), "layer3");
  auto* compression = Find<QCheckBox>(d.get(), "compression");
  Choose(layer2, 2);
  compression->click();
  EXPECT_TRUE(compression->isChecked());
  EXPECT_EQ(layer2->currentIndex(), 0);
  EXPECT_EQ(layer3->currentIndex(), 0);
  EXPECT_FALSE(Edit(d.get(), "localIdentification")->isEnabled());
  Choose(layer3, 1);
  EXPECT_FALSE(compression->isChecked());
  // Choosing the first entries keeps a set compression box.
  compression->click();
  Choose(layer2, 0);
  EXPECT_TRUE(compression->isChecked());
}

TEST_F(NetworkConfigurationTest, OkChecksFieldsInOrderAndFocusesTheFirstFailure) {
  auto d = Make();
  QLineEdit* host = Edit(d.get(), "hostName");
  QLineEdit* phone = Edit(d.get(), "phoneNumber");
  QLineEdit* timeout = Edit(d.get(), "timeout");
  QLineEdit* local = Edit(d.get(), "localIdentification");
  QLineEdit* remote = Edit(d.get(), "remoteIdentification");
  Choose(Find<QComboBox>(d.get(), "layer2"), 2);
  host->setText("no-such-host");
  phone->setText("12a");
  local->setText("a/b/c");
  remote->setText("x/y/z");
  timeout->setText("");

  struct Step {
    QLineEdit* field;
    QString message;
    std::function<void()> repair;
  };
  const std::vector<Step> steps = {
      {host, "Wrong IP-address or net mask!", [&] { host->setText(" 198.51.100.200 "); }},
      {phone, "Current phone number is incorrect!", [&] { phone->setText("030 1234"); }},
      {local, "Wrong password syntax!", [&] { local->setText("me / secret"); }},
      {remote, "Wrong password syntax!", [&] { remote->setText("you/pw"); }},
      {timeout, "Please enter an integer.", [&] { timeout->setText("32001"); }},
      {timeout, "Please enter an integer between 0 and 32000.", [&] { timeout->setText("32000"); }},
  };
  for (const Step& step : steps) {
    d->accept();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(LastMessage(), step.message);
    EXPECT_EQ(messages_.shown.back().icon, MessageIcon::None);
    EXPECT_TRUE(FocusedWithTextSelected(d.get(), step.field)) << step.message.toStdString();
    EXPECT_EQ(d->values().hostName, "") << "nothing is stored while a field fails";
    step.repair();
  }
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_EQ(d->values().hostName, "198.51.100.200");
  EXPECT_EQ(d->values().phoneNumber, "0301234");
  EXPECT_EQ(d->values().localIdentification, "me/secret");
  EXPECT_EQ(d->values().timeout, 32000);
}

TEST_F(NetworkConfigurationTest, Fv64sTakesOnlyZeroOrOneAsPhoneNumber) {
  for (const char* phone : {"2", "01", "0", "1"}) {
    auto d = Make(1);
    FillValid(*d);
    Edit(d.get(), "phoneNumber")->setText(phone);
    messages_.shown.clear();
    d->accept();
    const bool allowed = std::string(phone) == "0" || std::string(phone) == "1";
    EXPECT_EQ(d->result() == QDialog::Accepted, allowed) << phone;
    if (!allowed) {
      EXPECT_EQ(LastMessage(),
                "For permanent connections of type FV64S enter '0' or '1' as \nphone numbers!");
      EXPECT_TRUE(FocusedWithTextSelected(d.get(), Edit(d.get(), "phoneNumber")));
    }
  }
}

TEST_F(NetworkConfigurationTest, PermanentFvs01DisablesThePhoneFieldAndSkipsItsCheck) {
  auto d = Make(2);
  FillValid(*d);
  QLineEdit* phone = Edit(d.get(), "phoneNumber");
  EXPECT_FALSE(phone->isEnabled());
  phone->setText("not a number");
  d->accept();
  EXPECT_EQ(d->result(), QDialog::Accepted);
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(d->values().phoneNumber, "notanumber");
}

TEST_F(NetworkConfigurationTest, LoadingARecordShowsItsValuesAndLocksDefaultRoute) {
  LineTarget target = MakeLineTarget("10.0.0.1", "0301");
  target.timeout = 90;
  target.manualOnly = 1;
  target.layer2Protocol = 1;  // hdlc
  target.layer3Protocol = 1;  // t70nl
  target.localIdentification = "me/pw";
  auto d = Make();
  d->LoadFrom(target);
  EXPECT_EQ(Edit(d.get(), "hostName")->text(), "10.0.0.1");
  EXPECT_EQ(Edit(d.get(), "timeout")->text(), "90");
  EXPECT_TRUE(Find<QCheckBox>(d.get(), "manualConnection")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(d.get(), "createDefaultRoute")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(d.get(), "createDefaultRoute")->isEnabled());
  EXPECT_EQ(Find<QComboBox>(d.get(), "layer2")->currentIndex(), 1);
  // Identifications belong to PPP; this record is not PPP.
  EXPECT_EQ(Edit(d.get(), "localIdentification")->text(), "");

  target.layer2Protocol = 2;
  target.layer3Protocol = 2;
  auto ppp = Make();
  ppp->LoadFrom(target);
  EXPECT_EQ(Edit(ppp.get(), "localIdentification")->text(), "me/pw");
  EXPECT_TRUE(Edit(ppp.get(), "localIdentification")->isEnabled());
}

TEST_F(NetworkConfigurationTest, StoringKeepsFieldsTheDialogDoesNotEdit) {
  LineTarget target = MakeLineTarget("10.0.0.1", "0301");
  target.accountingCounters[0] = 77;
  target.layer2Parameters.blockSize = 1234;
  target.tablePosition = 5;
  auto d = Make();
  d->LoadFrom(target);
  Choose(Find<QComboBox>(d.get(), "layer2"), 2);
  Edit(d.get(), "remoteIdentification")->setText(" peer / secret ");
  d->accept();
  ASSERT_EQ(d->result(), QDialog::Accepted);
  d->StoreInto(target);
  EXPECT_EQ(target.accountingCounters[0], 77u);
  EXPECT_EQ(target.layer2Parameters.blockSize, 1234);
  EXPECT_EQ(target.tablePosition, 5);
  EXPECT_EQ(target.layer2Protocol, 2);
  EXPECT_EQ(target.layer2Base, kLayer2BasePpp);
  EXPECT_EQ(target.layer3Type, kLayer3TypePpp);
  EXPECT_EQ(target.remoteIdentification, "peer/secret");
  EXPECT_EQ(target.createDefaultRoute, 0);
}

TEST_F(NetworkConfigurationTest, IdentificationsHoldAtMostFortyCharacters) {
  auto d = Make();
  QLineEdit* local = Edit(d.get(), "localIdentification");
  local->setText(QString(50, QLatin1Char('a')));
  EXPECT_EQ(local->text().size(), 40);
}

}  // namespace
}  // namespace tarcfg::testing
