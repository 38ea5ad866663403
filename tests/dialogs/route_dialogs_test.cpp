// SPDX-License-Identifier: GPL-3.0-or-later
// Routing Table and Edit Route: rows, positions and moves, the route limit
// and the validation order.
#include "dialogs/route_dialogs.h"
#include "dialogs/dialogs_test_support.h"

namespace tarcfg::testing {
namespace {

class RouteDialogsTest : public ShellTest {
 protected:
  RouteDialogsTest() {
    for (int i = 1; i <= 5; ++i) {
      const std::string match = "10.0." + std::to_string(i) + ".0";
      routes_.Append(SampleRoute("255.255.255.0", match.c_str(), "198.51.100.200"));
    }
  }
  std::unique_ptr<RoutingTableDialog> MakeTable() {
    auto d = std::make_unique<RoutingTableDialog>(routes_, "198.51.100.10", context_->addresses,
                                                  messages_);
    d->show();
    return d;
  }
  std::vector<std::string> Matches() {
    std::vector<std::string> out;
    for (const RouteEntry& r : routes_)
      out.push_back(r.match.str());
    return out;
  }
  RouteList routes_ = NewRouteList();
};

TEST_F(RouteDialogsTest, TableListsEveryRouteWithItsNumber) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "routeList");
  ASSERT_EQ(list->count(), 5);
  EXPECT_EQ(list->item(0)->text(), "1.\t255.255.255.0\t10.0.1.0\t198.51.100.200");
  EXPECT_EQ(list->item(4)->text(), "5.\t255.255.255.0\t10.0.5.0\t198.51.100.200");
  EXPECT_EQ(TabStopsOf(list).size(), 3u);
  EXPECT_EQ(Selected(list), -1);
  EXPECT_FALSE(Button(d.get(), "openButton")->isEnabled());
  list->setCurrentRow(1);
  EXPECT_TRUE(Button(d.get(), "openButton")->isEnabled());
  EXPECT_TRUE(Button(d.get(), "deleteButton")->isEnabled());
}

TEST_F(RouteDialogsTest, AddProposesTheEndAndAcceptsEveryPositionUpToIt) {
  auto d = MakeTable();
  QString proposed;
  QString tooFar;
  WhenModalOpens([&](QDialog* editor) {
    proposed = Edit(editor, "position")->text();
    Edit(editor, "netmask")->setText("255.255.0.0");
    Edit(editor, "match")->setText("10.9.0.0");
    Edit(editor, "gateway")->setText("198.51.100.201");
    Edit(editor, "position")->setText("7");
    editor->accept();
    tooFar = messages_.shown.empty() ? QString() : messages_.shown.back().text;
    Edit(editor, "position")->setText("6");
    editor->accept();
  });
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(proposed, "6");
  EXPECT_EQ(tooFar, "Please enter an integer between 1 and 6.");
  EXPECT_EQ(routes_.count(), 6);
  EXPECT_EQ(routes_.Last()->match, "10.9.0.0");
  EXPECT_EQ(Selected(Find<QListWidget>(d.get(), "routeList")), 5);
}

TEST_F(RouteDialogsTest, OpeningARouteAcceptsPositionsUpToTheRouteCount) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "routeList");
  list->setCurrentRow(1);
  QString message;
  WhenModalOpens([&](QDialog* editor) {
    Edit(editor, "position")->setText("6");
    editor->accept();
    message = messages_.shown.empty() ? QString() : messages_.shown.back().text;
    editor->reject();
  });
  Button(d.get(), "openButton")->click();
  EXPECT_EQ(message, "Please enter an integer between 1 and 5.");
  EXPECT_EQ(Matches()[1], "10.0.2.0");
}

TEST_F(RouteDialogsTest, AMovedRouteKeepsTheSelectionOnItsNewRow) {
  auto d = MakeTable();
  auto* list = Find<QListWidget>(d.get(), "routeList");
  list->setCurrentRow(1);
  WhenModalOpens([](QDialog* editor) {
    Edit(editor, "position")->setText("4");
    editor->accept();
  });
  Button(d.get(), "openButton")->click();
  EXPECT_EQ(Matches(),
            (std::vector<std::string>{"10.0.1.0", "10.0.3.0", "10.0.4.0", "10.0.2.0", "10.0.5.0"}));
  EXPECT_EQ(Selected(list), 3);
  EXPECT_EQ(list->item(3)->text(), "4.\t255.255.255.0\t10.0.2.0\t198.51.100.200");
  EXPECT_EQ(routes_.NodeAt(4)->tablePosition, 3);
}

TEST_F(RouteDialogsTest, EditRouteChecksMaskCompareCombinationPositionThenGateway) {
  EditRouteDialog d(context_->addresses, messages_, "r", 6, 6);
  d.show();
  EXPECT_EQ(Edit(&d, "netmask")->text(), "");
  struct Step {
    const char* field;
    const char* good;
    QString message;
    MessageIcon icon;
    const char* focus;
  };
  // All three texts start empty, which is no address.
  Edit(&d, "position")->setText("9");
  const Step steps[] = {
      {"netmask", "255.255.255.0", "Wrong IP-address or net mask!", MessageIcon::None, "netmask"},
      {"match", "10.0.0.5", "Wrong IP-address or net mask!", MessageIcon::None, "match"},
      {"match", "10.0.0.0", "Mask and compare value do not match!", MessageIcon::Exclamation,
       "match"},
      {"position", "1", "Please enter an integer between 1 and 6.", MessageIcon::None, "position"},
      {"gateway", "0.0.0.0", "Wrong IP-address or net mask!", MessageIcon::None, "gateway"},
  };
  for (const Step& step : steps) {
    messages_.shown.clear();
    d.accept();
    ASSERT_EQ(messages_.shown.size(), 1u) << step.field;
    EXPECT_EQ(messages_.shown[0].text, step.message) << step.field;
    EXPECT_EQ(messages_.shown[0].icon, step.icon) << step.field;
    EXPECT_TRUE(FocusedWithTextSelected(&d, Edit(&d, step.focus))) << step.field;
    Edit(&d, step.field)->setText(step.good);
  }
  messages_.shown.clear();
  d.accept();
  EXPECT_TRUE(messages_.shown.empty());
  RouteEntry stored;
  d.StoreInto(stored);
  EXPECT_EQ(stored.gateway, "0.0.0.0");
  EXPECT_EQ(stored.tablePosition, 0);
}

TEST_F(RouteDialogsTest, AddIsDisabledAtSixtyFourRoutes) {
  while (routes_.count() < 64)
    routes_.Append(SampleRoute("0.0.0.0", "0.0.0.0", "10.0.0.1"));
  auto d = MakeTable();
  EXPECT_FALSE(Button(d.get(), "addButton")->isEnabled());
  auto* list = Find<QListWidget>(d.get(), "routeList");
  list->setCurrentRow(63);
  Button(d.get(), "deleteButton")->click();
  EXPECT_EQ(Selected(list), 62);
  EXPECT_TRUE(Button(d.get(), "addButton")->isEnabled());
}

}  // namespace
}  // namespace tarcfg::testing
