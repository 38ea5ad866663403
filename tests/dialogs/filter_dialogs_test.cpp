// SPDX-License-Identifier: GPL-3.0-or-later
// Filter Table and Edit Filter: service texts, rows, positions and moves,
// the rule limit, the validation order and the "All Remaining" hand-over.
#include <QRadioButton>

#include "dialogs/dialogs_test_support.h"
#include "dialogs/filter_dialogs.h"

namespace tarcfg::testing {
namespace {

class FilterDialogsTest : public ShellTest {
 protected:
  FilterDialogsTest() {
    filters_.Append(MakeFilter("10.0.0.1", 6, 80, 1));
    filters_.Append(MakeFilter("10.0.0.2", 17, 53, 0));
    filters_.Append(MakeFilter("10.0.0.3", 0, 0, 1));
    EnsureDefaultFilter(filters_);
    filters_.Last()->action = 0;
  }
  std::unique_ptr<FilterTableDialog> MakeTable() {
    auto d = std::make_unique<FilterTableDialog>(filters_, "198.51.100.10", context_->addresses,
                                                 database_, messages_);
    d->show();
    return d;
  }
  std::unique_ptr<EditFilterDialog> MakeEditor(int position, int highest) {
    auto d = std::make_unique<EditFilterDialog>(context_->addresses, database_, messages_, position,
                                                highest);
    d->show();
    return d;
  }
  std::vector<std::string> SendMatches() {
    std::vector<std::string> out;
    for (const FilterEntry& f : filters_)
      out.push_back(f.sendMatch.str());
    return out;
  }
  // The Edit Filter that opens next gets `fill` and then OK.
  static void WhenEditorOpens(std::function<void(QDialog*)> fill) {
    WhenModalOpens([fill](QDialog* d) {
      fill(d);
      d->accept();
      if (d->isVisible())
        d->reject();  // a failed check: leave the editor anyway
    });
  }

  FilterList filters_ = NewFilterList();
};

TEST_F(FilterDialogsTest, ServiceTextsShowNamesOnlyWhenTheyStandForOneProtocol) {
  auto text = [this](int protocol, int port) {
    FilterEntry f;
    f.protocol = protocol;
    f.port = port;
    return FilterServiceDisplayText(f, database_);
  };
  EXPECT_EQ(text(0, 0), "All");
  EXPECT_EQ(text(6, 80), "http");     // http is registered for tcp only
  EXPECT_EQ(text(17, 53), "53/udp");  // domain is registered for both
  EXPECT_EQ(text(6, 8080), "8080/tcp");
  EXPECT_EQ(text(250, 7), "7/?");
}

TEST_F(FilterDialogsTest, ServiceTextsAreParsedInEveryAcceptedForm) {
  struct Case {
    const char* text;
    bool valid;
    int protocol;
    int port;
  };
  const Case cases[] = {
      {"", true, 0, 0},           {"All", true, 0, 0},       {"all", true, 0, 0},
      {"ALLES", true, 0, 0},      {"80/tcp", true, 6, 80},   {"0x50/tcp", true, 6, 80},
      {"0120/udp", true, 17, 80}, {"http", true, 6, 80},     {"80/xyz", false, -1, -1},
      {"80", false, -1, -1},      {"-1/tcp", false, -1, -1}, {"abc/tcp", false, -1, -1},
  };
  for (const Case& c : cases) {
    int protocol = 99;
    int port = 99;
    EXPECT_EQ(ParseFilterService(c.text, database_, &protocol, &port), c.valid) << c.text;
    EXPECT_EQ(protocol, c.protocol) << c.text;
    EXPECT_EQ(port, c.port) << c.text;
  }
}

TEST_F(FilterDialogsTest, TableListsRulesWithoutTheDefaultEntry) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "filterList");
  EXPECT_EQ(Rows(list), (std::vector<QString>{"1.\t10.0.0.1\t0.0.0.0\thttp\tAccept",
                                              "2.\t10.0.0.2\t0.0.0.0\t53/udp\tReject",
                                              "3.\t10.0.0.3\t0.0.0.0\tAll\tAccept"}));
  EXPECT_EQ(Selected(list), -1);
  EXPECT_FALSE(Button(d.get(), "openButton")->isEnabled());
  EXPECT_FALSE(Button(d.get(), "deleteButton")->isEnabled());
  EXPECT_TRUE(Button(d.get(), "addButton")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(d.get(), "remainingReject")->isChecked());
  EXPECT_EQ(TabStopsOf(list).size(), 4u);
  int position = 0;
  for (const FilterEntry& f : filters_)
    EXPECT_EQ(f.tablePosition, position++);
}

TEST_F(FilterDialogsTest, AddProposesThePlaceBeforeTheDefaultEntry) {
  auto d = MakeTable();
  int proposed = 0;
  int highest = 0;
  WhenEditorOpens([&](QDialog* editor) {
    proposed = Edit(editor, "position")->text().toInt();
    highest = static_cast<EditFilterDialog*>(editor)->highestPosition();
    Edit(editor, "sendMatch")->setText("10.0.0.9");
    Edit(editor, "sendNetmask")->setText("255.255.255.255");
    Edit(editor, "service")->setText("23/tcp");
  });
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(proposed, 4);
  EXPECT_EQ(highest, 4);
  auto* list = Find<QListWidget>(d.get(), "filterList");
  EXPECT_EQ(list->item(3)->text(), "4.\t10.0.0.9\t0.0.0.0\ttelnet\tAccept");
  EXPECT_EQ(Selected(list), 3);
  EXPECT_TRUE(IsDefaultFilter(*filters_.Last()));
  EXPECT_EQ(filters_.NodeAt(4)->protocol, 6);
  EXPECT_EQ(filters_.NodeAt(4)->port, 23);
}

TEST_F(FilterDialogsTest, MovingRuleThreeToPositionOneKeepsItSelected) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "filterList");
  list->setCurrentRow(2);
  int highest = 0;
  WhenEditorOpens([&](QDialog* editor) {
    highest = static_cast<EditFilterDialog*>(editor)->highestPosition();
    Edit(editor, "position")->setText("1");
  });
  Button(d.get(), "openButton")->click();
  EXPECT_EQ(highest, 3);
  EXPECT_EQ(SendMatches(),
            (std::vector<std::string>{"10.0.0.3", "10.0.0.1", "10.0.0.2", "0.0.0.0"}));
  EXPECT_EQ(list->item(0)->text(), "1.\t10.0.0.3\t0.0.0.0\tAll\tAccept");
  EXPECT_EQ(list->item(1)->text().left(3), "2.\t");
  EXPECT_EQ(Selected(list), 0);
  EXPECT_EQ(filters_.NodeAt(2)->tablePosition, 1);
}

TEST_F(FilterDialogsTest, OpenWithoutMoveEditsInPlaceAndCancelChangesNothing) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "filterList");
  list->setCurrentRow(1);
  WhenModalOpens([](QDialog* editor) {
    Edit(editor, "sendMatch")->setText("10.9.9.9");
    editor->reject();
  });
  Button(d.get(), "openButton")->click();
  EXPECT_EQ(filters_.NodeAt(2)->sendMatch, "10.0.0.2");
  WhenEditorOpens([](QDialog* editor) { Find<QRadioButton>(editor, "accept")->setChecked(true); });
  Button(d.get(), "openButton")->click();
  EXPECT_EQ(list->item(1)->text(), "2.\t10.0.0.2\t0.0.0.0\t53/udp\tAccept");
  EXPECT_EQ(Selected(list), 1);
}

TEST_F(FilterDialogsTest, AddIsDisabledAtSixtyThreeRules) {
  while (filters_.count() < 63)
    filters_.InsertAt(MakeFilter("10.1.1.1", 0, 0, 1), 1);
  {
    auto d = MakeTable();
    EXPECT_TRUE(Button(d.get(), "addButton")->isEnabled());
  }
  filters_.InsertAt(MakeFilter("10.1.1.1", 0, 0, 1), 1);
  auto d = MakeTable();
  EXPECT_EQ(Find<QListWidget>(d.get(), "filterList")->count(), 63);
  EXPECT_FALSE(Button(d.get(), "addButton")->isEnabled());
}

TEST_F(FilterDialogsTest, DeletingTheLastRowSelectsTheNewLastAndKeepsTheDefault) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "filterList");
  list->setCurrentRow(2);
  Button(d.get(), "deleteButton")->click();
  EXPECT_EQ(Selected(list), 1);
  EXPECT_EQ(filters_.count(), 3);
  for (int i = 0; i < 2; ++i)
    Button(d.get(), "deleteButton")->click();
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(filters_.count(), 1);
  EXPECT_TRUE(IsDefaultFilter(*filters_.Last()));
  EXPECT_FALSE(Button(d.get(), "deleteButton")->isEnabled());
}

TEST_F(FilterDialogsTest, EditFilterChecksFieldsInOrder) {
  auto d = MakeEditor(4, 4);
  EXPECT_EQ(Edit(d.get(), "service")->text(), "All");
  EXPECT_EQ(Edit(d.get(), "sendNetmask")->text(), "0.0.0.0");
  EXPECT_TRUE(Find<QRadioButton>(d.get(), "accept")->isChecked());
  struct Step {
    const char* field;
    const char* bad;
    const char* good;
    QString message;
    MessageIcon icon;
    const char* focus;
  };
  const Step steps[] = {
      {"sendNetmask", "x", "255.255.255.0", "Wrong IP-address or net mask!", MessageIcon::None,
       "sendNetmask"},
      {"sendMatch", "nowhere", "10.1.2.3", "Wrong IP-address or net mask!", MessageIcon::None,
       "sendMatch"},
      {"sendMatch", "10.1.2.3", "10.1.2.0", "Mask and compare value do not match!",
       MessageIcon::Exclamation, "sendMatch"},
      {"receiveNetmask", "1.2.3", "255.255.0.0", "Wrong IP-address or net mask!", MessageIcon::None,
       "receiveNetmask"},
      {"receiveMatch", "", "10.1.2.0", "Wrong IP-address or net mask!", MessageIcon::None,
       "receiveMatch"},
      {"receiveMatch", "10.1.2.0", "10.1.0.0", "Mask and compare value do not match!",
       MessageIcon::Exclamation, "receiveMatch"},
      {"service", "80", "80/tcp", "The current network port is invalid.", MessageIcon::None,
       "service"},
      {"position", "x", "5", "Please enter an integer.", MessageIcon::None, "position"},
      {"position", "5", "2", "Please enter an integer between 1 and 4.", MessageIcon::None,
       "position"},
  };
  for (const Step& step : steps) {
    Edit(d.get(), step.field)->setText(step.bad);
    messages_.shown.clear();
    d->accept();
    ASSERT_EQ(messages_.shown.size(), 1u) << step.bad;
    EXPECT_EQ(messages_.shown[0].text, step.message) << step.bad;
    EXPECT_EQ(messages_.shown[0].icon, step.icon) << step.bad;
    EXPECT_TRUE(FocusedWithTextSelected(d.get(), Edit(d.get(), step.focus))) << step.bad;
    EXPECT_TRUE(d->isVisible());
    Edit(d.get(), step.field)->setText(step.good);
  }
  Find<QRadioButton>(d.get(), "reject")->setChecked(true);
  messages_.shown.clear();
  d->accept();
  EXPECT_TRUE(messages_.shown.empty());
  FilterEntry stored;
  d->StoreInto(stored);
  EXPECT_EQ(stored.sendNetmask, "255.255.255.0");
  EXPECT_EQ(stored.receiveMatch, "10.1.0.0");
  EXPECT_EQ(stored.protocol, 6);
  EXPECT_EQ(stored.port, 80);
  EXPECT_EQ(stored.action, 0);
  EXPECT_EQ(stored.tablePosition, 1);
}

// The router keeps a port in 16 bits: a larger one is refused at the field,
// never stored as -1/-1 (which would reach the router as 0xFF/0xFFFF).
TEST_F(FilterDialogsTest, PortAboveSixteenBitsIsRefusedAtTheTargetPort) {
  for (const char* bad : {"65536/tcp", "70000/tcp", "0x10000/udp", "99999999999/tcp"}) {
    auto d = MakeEditor(1, 1);
    Edit(d.get(), "service")->setText(bad);
    messages_.shown.clear();
    d->accept();
    ASSERT_EQ(messages_.shown.size(), 1u) << bad;
    EXPECT_EQ(messages_.shown[0].text, "The current network port is invalid.") << bad;
    EXPECT_TRUE(FocusedWithTextSelected(d.get(), Edit(d.get(), "service"))) << bad;
    EXPECT_TRUE(d->isVisible()) << bad;
    int protocol = 0;
    int port = 0;
    EXPECT_FALSE(ParseFilterService(bad, database_, &protocol, &port)) << bad;
  }
  auto d = MakeEditor(1, 1);
  Edit(d.get(), "service")->setText("65535/udp");
  messages_.shown.clear();
  d->accept();
  EXPECT_TRUE(messages_.shown.empty());
  FilterEntry stored;
  d->StoreInto(stored);
  EXPECT_EQ(stored.protocol, 17);
  EXPECT_EQ(stored.port, 65535);
}

TEST_F(FilterDialogsTest, UnknownProtocolIsShownWithAQuestionMarkInTheEditor) {
  FilterEntry odd = MakeFilter("10.0.0.1", 250, 7, 1);
  auto d = MakeEditor(1, 1);
  d->LoadFrom(odd);
  EXPECT_EQ(Edit(d.get(), "service")->text(), "7/?");
}

}  // namespace
}  // namespace tarcfg::testing
