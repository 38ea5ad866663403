// SPDX-License-Identifier: GPL-3.0-or-later
// Line Targets: rows and selections, the limit, the hand-over to the filter
// and route editors, OK reaching the router with only the differences,
// Cancel restoring every list, the file commands and Setup Connection.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/config_file.h"
#include "config/reports.h"
#include "dialogs/dialogs_test_support.h"
#include "dialogs/install_dialogs.h"
#include "shell/static_text.h"

namespace tarcfg::testing {
namespace {

class LineTargetsTest : public DialogsTest {
 protected:
  // Four line targets in the working lists (the saved copies keep the
  // router's one).
  void AddWorkingTargets() {
    for (const char* host : {"10.0.0.2", "10.0.0.3", "10.0.0.4"})
      working().lineTargets.Append(MakeLineTarget(host, "0301"));
  }
  QListWidget* List(QWidget* d) { return Find<QListWidget>(d, "lineTargetList"); }
  // The Network Configuration that opens next gets a host name and OK.
  static void AddThroughEditor(const char* host) {
    WhenModalOpens([host](QDialog* editor) {
      Edit(editor, "hostName")->setText(host);
      Edit(editor, "phoneNumber")->setText("0309999");
      editor->accept();
    });
  }
};

TEST_F(LineTargetsTest, ListsTheLineTargetsWithNothingSelected) {
  Register();
  auto d = OpenLineTargets();
  EXPECT_EQ(Rows(List(d.get())), (std::vector<QString>{"1.\t198.51.100.200\t0301234567"}));
  EXPECT_EQ(Selected(List(d.get())), -1);
  EXPECT_EQ(TabStopsOf(List(d.get())).size(), 2u);
  EXPECT_FALSE(Button(d.get(), "openButton")->isEnabled());
  EXPECT_FALSE(Button(d.get(), "deleteButton")->isEnabled());
  EXPECT_TRUE(Button(d.get(), "addButton")->isEnabled());
  EXPECT_EQ(Find<StaticText>(d.get(), "routerName")->text(), "198.51.100.10");
  EXPECT_EQ(d->rememberedFileName(), RememberedFileName("198.51.100.10", MaxFileNameLength(".")));
}

TEST_F(LineTargetsTest, AddSelectsTheRowAfterThePreviousSelection) {
  Register();
  AddWorkingTargets();
  auto d = OpenLineTargets();
  AddThroughEditor("10.0.0.5");
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(Selected(List(d.get())), 0) << "no selection before: row 1";
  List(d.get())->setCurrentRow(2);
  AddThroughEditor("10.0.0.6");
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(Selected(List(d.get())), 3);
  EXPECT_EQ(List(d.get())->item(3)->text(), "4.\t10.0.0.4\t0301") << "not the new entry";
  EXPECT_EQ(List(d.get())->item(5)->text(), "6.\t10.0.0.6\t0309999");
}

TEST_F(LineTargetsTest, AddWithDefaultRouteInsertsAHostRouteFirst) {
  Register();
  auto d = OpenLineTargets();
  AddThroughEditor("10.0.0.7");
  Button(d.get(), "addButton")->click();
  const RouteEntry* first = working().routes.NodeAt(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->netmask, "255.255.255.255");
  EXPECT_EQ(first->match, "10.0.0.7");
  EXPECT_EQ(first->gateway, "10.0.0.7");
  EXPECT_EQ(working().routes.count(), 2);

  // Editing an existing line target never creates a route.
  List(d.get())->setCurrentRow(1);
  WhenModalOpens([](QDialog* editor) {
    Edit(editor, "hostName")->setText("10.0.0.8");
    editor->accept();
  });
  Button(d.get(), "openButton")->click();
  EXPECT_EQ(working().routes.count(), 2);
  EXPECT_EQ(List(d.get())->item(1)->text(), "2.\t10.0.0.8\t0309999");
  EXPECT_EQ(Selected(List(d.get())), 1);
}

TEST_F(LineTargetsTest, DeleteSelectsTheSameRowOrTheNewLast) {
  Register();
  AddWorkingTargets();
  auto d = OpenLineTargets();
  auto* list = List(d.get());
  list->setCurrentRow(3);
  Button(d.get(), "deleteButton")->click();
  EXPECT_EQ(Selected(list), 2);
  list->setCurrentRow(0);
  Button(d.get(), "deleteButton")->click();
  EXPECT_EQ(Selected(list), 0);
  EXPECT_EQ(list->item(0)->text(), "1.\t10.0.0.2\t0301");
  Button(d.get(), "deleteButton")->click();
  Button(d.get(), "deleteButton")->click();
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(Selected(list), -1);
  EXPECT_FALSE(Button(d.get(), "openButton")->isEnabled());
  EXPECT_FALSE(Button(d.get(), "deleteButton")->isEnabled());
  EXPECT_EQ(working().routes.count(), 1) << "routes are not touched";
}

TEST_F(LineTargetsTest, PermanentConnectionAllowsOneLineTargetSwitchedThirty) {
  Register();
  context_->selected.current.permanentConnection = 2;
  {
    auto d = OpenLineTargets();
    EXPECT_EQ(d->lineTargetLimit(), 1);
    EXPECT_FALSE(Button(d.get(), "addButton")->isEnabled());
  }
  context_->selected.current.permanentConnection = 0;
  while (working().lineTargets.count() < 29)
    working().lineTargets.Append(MakeLineTarget("10.0.0.9", "1"));
  auto d = OpenLineTargets();
  EXPECT_TRUE(Button(d.get(), "addButton")->isEnabled());
  AddThroughEditor("10.0.0.30");
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(List(d.get())->count(), 30);
  EXPECT_FALSE(Button(d.get(), "addButton")->isEnabled());
}

TEST_F(LineTargetsTest, FilterTableCloseStoresAllRemainingEscapeDoesNot) {
  Register();
  auto d = OpenLineTargets();
  ASSERT_EQ(working().filters.Last()->action, 1);
  // Escape: a new rule stays, the changed choice does not.
  WhenModalOpens([](QDialog* table) {
    EXPECT_TRUE(Find<QRadioButton>(table, "remainingAccept")->isChecked());
    WhenModalOpens([](QDialog* editor) {
      Edit(editor, "sendNetmask")->setText("255.255.255.255");
      Edit(editor, "sendMatch")->setText("10.0.0.66");
      editor->accept();
    });
    Button(table, "addButton")->click();
    Find<QRadioButton>(table, "remainingReject")->setChecked(true);
    table->reject();
  });
  Button(d.get(), "filterTableButton")->click();
  EXPECT_EQ(working().filters.count(), 2);
  EXPECT_EQ(working().filters.NodeAt(1)->sendMatch, "10.0.0.66");
  EXPECT_EQ(working().filters.Last()->action, 1);
  WhenModalOpens([](QDialog* table) {
    Find<QRadioButton>(table, "remainingReject")->setChecked(true);
    Button(table, "closeButton")->click();
  });
  Button(d.get(), "filterTableButton")->click();
  EXPECT_EQ(working().filters.Last()->action, 0);
}

TEST_F(LineTargetsTest, CancelRestoresAllThreeListsExactly) {
  Register();
  const Configuration before = saved().Clone();
  auto d = OpenLineTargets();
  AddThroughEditor("10.0.0.7");
  Button(d.get(), "addButton")->click();
  List(d.get())->setCurrentRow(0);
  Button(d.get(), "deleteButton")->click();
  WhenModalOpens([](QDialog* table) {
    Find<QListWidget>(table, "routeList")->setCurrentRow(0);
    Button(table, "deleteButton")->click();
    Button(table, "closeButton")->click();
  });
  Button(d.get(), "routingTableButton")->click();
  WhenModalOpens([](QDialog* table) {
    Find<QRadioButton>(table, "remainingReject")->setChecked(true);
    Button(table, "closeButton")->click();
  });
  Button(d.get(), "filterTableButton")->click();
  ASSERT_FALSE(working().lineTargets.SameAs(before.lineTargets));
  messages_.answers = {true};  // discard the changes
  Button(d.get(), "cancelButton")->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_TRUE(working().lineTargets.SameAs(before.lineTargets));
  EXPECT_TRUE(working().routes.SameAs(before.routes));
  EXPECT_TRUE(working().filters.SameAs(before.filters));
  EXPECT_EQ(working().filters.Last()->action, 1);
  EXPECT_TRUE(SentByTool(command::kWriteTableEntry).empty());
}

TEST_F(LineTargetsTest, CancelAsksBeforeDiscardingUnsentChanges) {
  Register();
  {
    // Nothing changed: Cancel closes without a question.
    auto unchanged = OpenLineTargets();
    Button(unchanged.get(), "cancelButton")->click();
    EXPECT_FALSE(unchanged->isVisible());
    EXPECT_TRUE(messages_.shown.empty());
  }
  auto d = OpenLineTargets();
  AddThroughEditor("10.0.0.7");
  Button(d.get(), "addButton")->click();
  messages_.answers = {false};
  Button(d.get(), "cancelButton")->click();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            "The changes have not been sent to the router.\nDiscard them?");
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(messages_.shown[0].defaultAnswer, Answer::No) << "Enter keeps the edits";
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(working().lineTargets.count(), 2) << "the edits stay";
  EXPECT_EQ(working().routes.count(), 2);
  // Escape asks the same.
  messages_.answers = {false};
  QTest::keyClick(d.get(), Qt::Key_Escape);
  EXPECT_EQ(messages_.shown.size(), 2u);
  EXPECT_TRUE(d->isVisible());
  // Yes discards every edit and stores nothing.
  messages_.answers = {true};
  Button(d.get(), "cancelButton")->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(d->result(), QDialog::Rejected);
  EXPECT_TRUE(working().lineTargets.SameAs(saved().lineTargets));
  EXPECT_TRUE(working().routes.SameAs(saved().routes));
  EXPECT_TRUE(SentByTool(command::kWriteTableEntry).empty());
}

// Editing a line target that is not PPP clears its stored identifications
// (the editor shows and keeps them for PPP only); Show Changes says so.
TEST_F(LineTargetsTest, ShowChangesSaysWhenIdentificationsWillBeCleared) {
  Register();
  for (Configuration* configuration : {&working(), &saved()}) {
    configuration->lineTargets.NodeAt(1)->remoteIdentification = "alba/seno";
    configuration->lineTargets.NodeAt(1)->localIdentification = "seno/alba";
  }
  auto d = OpenLineTargets();
  List(d.get())->setCurrentRow(0);
  WhenModalOpens([](QDialog* editor) {
    Edit(editor, "phoneNumber")->setText("0309999");
    editor->accept();
  });
  Button(d.get(), "openButton")->click();
  EXPECT_TRUE(working().lineTargets.NodeAt(1)->remoteIdentification.empty());
  EXPECT_EQ(d->PendingChanges(), (QStringList{"Line target 1: written\t198.51.100.200\t0309999\t"
                                              "PPP identifications will be cleared"}));

  // A change that keeps them says nothing of the kind.
  for (Configuration* configuration : {&working(), &saved()}) {
    configuration->lineTargets.NodeAt(1)->remoteIdentification = "";
    configuration->lineTargets.NodeAt(1)->localIdentification = "";
  }
  EXPECT_EQ(d->PendingChanges(), (QStringList{"Line target 1: written\t198.51.100.200\t0309999"}));
}

TEST_F(LineTargetsTest, ShowChangesDrawsItsColumnsAtTabStops) {
  Register();
  auto d = OpenLineTargets();
  AddThroughEditor("10.0.0.7");
  Button(d.get(), "addButton")->click();
  std::vector<int> stops;
  bool delegate = false;
  WhenModalOpens([&](QDialog* view) {
    auto* list = Find<QListWidget>(view, "changesList");
    stops = TabStopsOf(list);
    delegate = qobject_cast<TabStopDelegate*>(list->itemDelegate()) != nullptr;
    view->reject();
  });
  Button(d.get(), "showChangesButton")->click();
  EXPECT_TRUE(delegate);
  ASSERT_EQ(stops.size(), 4u);
  EXPECT_TRUE(std::is_sorted(stops.begin(), stops.end()));
}

// The routing table holds at most 64 routes: a new line target then gets
// no host route, and the editor does not offer one.
TEST_F(LineTargetsTest, AddWithAFullRoutingTableCreatesNoRoute) {
  Register();
  while (working().routes.count() < kMaxRoutes)
    working().routes.Append(SampleRoute("255.255.255.255", "10.9.0.1", "10.9.0.1"));
  auto d = OpenLineTargets();
  bool offered = true, checked = true;
  WhenModalOpens([&](QDialog* editor) {
    auto* box = Find<QCheckBox>(editor, "createDefaultRoute");
    offered = box->isEnabled();
    checked = box->isChecked();
    Edit(editor, "hostName")->setText("10.0.0.7");
    Edit(editor, "phoneNumber")->setText("0309999");
    editor->accept();
  });
  Button(d.get(), "addButton")->click();
  EXPECT_FALSE(offered);
  EXPECT_FALSE(checked);
  EXPECT_EQ(working().routes.count(), kMaxRoutes);
  EXPECT_EQ(working().lineTargets.count(), 2);
  EXPECT_EQ(working().lineTargets.NodeAt(2)->hostName, "10.0.0.7");

  // With room for one more the host route is made as before.
  working().routes.RemoveAt(kMaxRoutes);
  AddThroughEditor("10.0.0.8");
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(working().routes.count(), kMaxRoutes);
  EXPECT_EQ(working().routes.NodeAt(1)->match, "10.0.0.8");
}

TEST_F(LineTargetsTest, ShowChangesListsWhatOkWouldSendAndSendsNothing) {
  Register();
  auto d = OpenLineTargets();
  EXPECT_TRUE(d->PendingChanges().isEmpty());
  AddThroughEditor("10.0.0.7");
  Button(d.get(), "addButton")->click();
  EXPECT_EQ(d->PendingChanges(),
            (QStringList{"Line target 2: written\t10.0.0.7\t0309999",
                         "Route 1: written\t255.255.255.255\t10.0.0.7\t10.0.0.7",
                         "Route 2: written\t255.255.255.0\t198.51.101.0\t198.51.100.200"}));
  QStringList shown;
  WhenModalOpens([&shown](QDialog* view) {
    const std::vector<QString> rows = Rows(Find<QListWidget>(view, "changesList"));
    shown = QStringList(rows.begin(), rows.end());
    view->reject();
  });
  Button(d.get(), "showChangesButton")->click();
  EXPECT_EQ(shown.size(), 3);
  EXPECT_TRUE(SentByTool(command::kWriteTableEntry).empty());
}

TEST_F(LineTargetsTest, OkWritesOnlyTheDifferencesAndTheRouterHoldsTheLists) {
  Register();
  auto d = OpenLineTargets();
  AddThroughEditor("198.51.100.201");
  Button(d.get(), "addButton")->click();  // one line target, one host route
  const QStringList expected = d->PendingChanges();
  Button(d.get(), "okButton")->click();
  EXPECT_FALSE(Button(d.get(), "okButton")->isEnabled());
  EXPECT_TRUE(d->writeOutstanding());
  EXPECT_EQ(window_->statusText(),
            QStringLiteral("Writing the configuration to router 198.51.100.10..."));
  EXPECT_TRUE(window_->waitCursorActive());
  FinishWrite();
  EXPECT_EQ(window_->statusText(), QString());
  EXPECT_FALSE(window_->waitCursorActive());
  EXPECT_EQ(SentByTool(command::kWriteTableEntry).size(),
            static_cast<std::size_t>(expected.size()));
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(d->result(), QDialog::Accepted);
  ASSERT_FALSE(messages_.shown.empty());
  EXPECT_EQ(messages_.shown.back().text,
            "The changes have been saved in the router.\nTo activate changes please deregister.");
  EXPECT_EQ(messages_.shown.back().icon, MessageIcon::Information);
  EXPECT_EQ(RouterLineTargets(),
            (std::vector<std::string>{"198.51.100.200 0301234567", "198.51.100.201 0309999"}));
  EXPECT_EQ(RouterRoutes(),
            (std::vector<std::string>{"255.255.255.255 198.51.100.201 198.51.100.201",
                                      "255.255.255.0 198.51.101.0 198.51.100.200"}));
  EXPECT_TRUE(saved().lineTargets.SameAs(working().lineTargets));
  EXPECT_TRUE(saved().routes.SameAs(working().routes));

  // A second OK with nothing changed sends nothing and still confirms.
  auto again = OpenLineTargets();
  EXPECT_TRUE(again->PendingChanges().isEmpty());
  const std::size_t sent = SentByTool(command::kWriteTableEntry).size();
  Button(again.get(), "okButton")->click();
  FinishWrite();
  EXPECT_EQ(SentByTool(command::kWriteTableEntry).size(), sent);
  EXPECT_FALSE(again->isVisible());
}

TEST_F(LineTargetsTest, DeletionsAndFilterChangesReachTheRouter) {
  auto router = OpenRouter("198.51.100.10", 1);
  router.routes.push_back({0xFFFF0000, Ip("10.1.0.0"), Ip("198.51.100.200")});
  Register(router);
  auto d = OpenLineTargets();
  WhenModalOpens([](QDialog* table) {
    Find<QListWidget>(table, "routeList")->setCurrentRow(0);
    Button(table, "deleteButton")->click();
    Button(table, "closeButton")->click();
  });
  Button(d.get(), "routingTableButton")->click();
  WhenModalOpens([](QDialog* table) {
    Find<QRadioButton>(table, "remainingReject")->setChecked(true);
    Button(table, "closeButton")->click();
  });
  Button(d.get(), "filterTableButton")->click();
  Button(d.get(), "okButton")->click();
  FinishWrite();
  EXPECT_EQ(RouterRoutes(), (std::vector<std::string>{"255.255.0.0 10.1.0.0 198.51.100.200"}));
  EXPECT_EQ(RouterFilters(), (std::vector<std::string>{"0.0.0.0 0.0.0.0 0/0 0"}));
  EXPECT_EQ(RouterLineTargets().size(), 1u);
  EXPECT_FALSE(d->isVisible());
}

// Escape while the write runs: the write goes on and what it wrote becomes
// the working and saved lists; until the router has confirmed it nothing
// edits the lists and the main window starts no other request.
TEST_F(LineTargetsTest, EscapeDuringTheWriteKeepsTheWrittenListsAndHoldsBackOtherRequests) {
  Register();
  InstallConfigurationDialogs(*window_, files_);
  std::vector<bool> enabled;
  WhenModalOpens([&](QDialog* d) {
    AddThroughEditor("198.51.100.201");
    Button(d, "addButton")->click();
    Button(d, "okButton")->click();
    for (const char* name : {"addButton", "filterTableButton", "routingTableButton", "okButton"})
      enabled.push_back(Button(d, name)->isEnabled());
    enabled.push_back(d->findChild<QAction*>(QStringLiteral("openFileAction"))->isEnabled());
    enabled.push_back(d->findChild<QAction*>(QStringLiteral("historyAction"))->isEnabled());
    enabled.push_back(List(d)->isEnabled());
    QTest::keyClick(d, Qt::Key_Escape);
  });
  button("lineTargetsButton")->click();
  EXPECT_EQ(enabled, std::vector<bool>(7, false));
  EXPECT_EQ(working().lineTargets.count(), 2) << "the lists being written stay";
  EXPECT_EQ(EnabledStates(), "rdtlcaos");
  int edits = 0;
  window_->dialogs().editRouterParameters = [&edits](MainWindow&, const RouterParameters&) {
    ++edits;
    return std::optional<RouterParameters>();
  };
  window_->EditRouterParameters();
  EXPECT_EQ(edits, 0) << "no second request while the write is outstanding";

  FinishWrite();
  const std::vector<std::string> onRouter = RouterLineTargets();
  EXPECT_EQ(onRouter,
            (std::vector<std::string>{"198.51.100.200 0301234567", "198.51.100.201 0309999"}));
  EXPECT_TRUE(working().lineTargets.SameAs(saved().lineTargets));
  EXPECT_TRUE(working().routes.SameAs(saved().routes));
  EXPECT_EQ(EnabledStates(), "rDTLCAos");
  EXPECT_EQ(MessageTexts().back(),
            "The changes have been saved in the router.\nTo activate changes please deregister.");
  EXPECT_TRUE(OpenLineTargets()->PendingChanges().isEmpty());
}

// The router falls silent during the write: the wait ends, the user is
// told, and the saved copies stay the lists the router last confirmed.
TEST_F(LineTargetsTest, AWriteTheRouterNeverConfirmsEndsTheWaitAndSaysSo) {
  Register();
  auto d = OpenLineTargets();
  AddThroughEditor("198.51.100.201");
  Button(d.get(), "addButton")->click();
  Button(d.get(), "okButton")->click();
  routers_.reset();
  Tick(40);
  EXPECT_FALSE(d->writeOutstanding());
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(saved().lineTargets.count(), 1);
  EXPECT_EQ(working().lineTargets.count(), 2) << "the edits stay, e.g. to be saved to a file";
  EXPECT_TRUE(Button(d.get(), "addButton")->isEnabled());
  EXPECT_FALSE(Button(d.get(), "okButton")->isEnabled()) << "what the router holds is unknown";
  EXPECT_EQ(MessageTexts().back().toStdString(),
            "The router has not confirmed every change; it may hold only part of them.\n"
            "Register again to read what it holds.\n\n"
            "confirmed by the router:\n"
            "  line target 2 written: 198.51.100.201 0309999 x75\n"
            "sent, not answered (the router may or may not hold it):\n"
            "  route 1 written: 255.255.255.255 198.51.100.201 198.51.100.201\n"
            "not sent:\n"
            "  route 2 written: 255.255.255.0 198.51.101.0 198.51.100.200");
}

TEST_F(LineTargetsTest, SaveRightAfterOpeningWritesTheRouterNamedFileWithoutAsking) {
  Register();
  auto d = OpenLineTargets();
  d->SaveFile();
  EXPECT_TRUE(files_.calls.empty());
  EXPECT_TRUE(std::filesystem::exists(directory_ / "198_51_100_10.cfg"));
  EXPECT_TRUE(messages_.shown.empty());
  // Where the file went, said in the dialog's status line.
  const std::filesystem::path written =
      std::filesystem::absolute(d->rememberedFileName()).lexically_normal();
  EXPECT_EQ(d->findChild<QLabel*>(QStringLiteral("statusLine"))->text(),
            QStringLiteral("Configuration saved to ") + QString::fromStdString(written.string()));
}

TEST_F(LineTargetsTest, SaveAsOffersTheFileNamePartAndRemembersTheChoice) {
  Register();
  auto d = OpenLineTargets();
  const std::string chosen = (directory_ / "sub.cfg").string();
  files_.answers = {QString::fromStdString(chosen)};
  d->SaveFileAs();
  ASSERT_EQ(files_.calls.size(), 1u);
  EXPECT_TRUE(files_.calls[0].save);
  EXPECT_EQ(files_.calls[0].initialName, "198_51_100_10.cfg");
  EXPECT_EQ(files_.calls[0].filter, "Configuration Files (*.cfg);;All Files (*)");
  EXPECT_EQ(d->rememberedFileName(), chosen);
  EXPECT_TRUE(std::filesystem::exists(chosen));
  // Cancelling the file dialog writes nothing and keeps the name.
  d->SaveFileAs();
  EXPECT_EQ(d->rememberedFileName(), chosen);
}

TEST_F(LineTargetsTest, AFailedWriteShowsTheSystemReason) {
  Register();
  auto d = OpenLineTargets();
  files_.answers = {QString::fromStdString((directory_ / "missing" / "x.cfg").string())};
  d->SaveFileAs();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Writing file has failed!\n") +
                                         QString::fromLocal8Bit(strerror(ENOENT)));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
}

// Replacing a directory fails before any system call could set errno: the
// message still names the reason, never "Success".
TEST_F(LineTargetsTest, SavingOntoADirectoryNamesTheReason) {
  Register();
  auto d = OpenLineTargets();
  std::filesystem::create_directory(directory_ / "folder.cfg");
  files_.answers = {QString::fromStdString((directory_ / "folder.cfg").string())};
  errno = 0;
  d->SaveFileAs();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Writing file has failed!\n") +
                                         QString::fromLocal8Bit(strerror(EISDIR)));
  EXPECT_TRUE(std::filesystem::is_directory(directory_ / "folder.cfg"));
}

TEST_F(LineTargetsTest, SavingOntoASymbolicLinkWritesItsTarget) {
  Register();
  auto d = OpenLineTargets();
  std::filesystem::create_directory(directory_ / "store");
  { std::ofstream(directory_ / "store" / "router.cfg") << "old\n"; }
  std::filesystem::create_symlink("store/router.cfg", directory_ / "router.cfg");
  files_.answers = {QString::fromStdString((directory_ / "router.cfg").string())};
  d->SaveFileAs();
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(std::filesystem::is_symlink(directory_ / "router.cfg"));
  std::ifstream in(directory_ / "store" / "router.cfg");
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "#");
}

TEST_F(LineTargetsTest, OpenLoadsAFileIntoTheWorkingListsOnly) {
  Register();
  auto d = OpenLineTargets();
  working().lineTargets.Append(MakeLineTarget("10.0.0.2", "0302"));
  const std::string path = (directory_ / "two.cfg").string();
  files_.answers = {QString::fromStdString(path)};
  d->SaveFileAs();
  working().lineTargets.RemoveAt(2);
  files_.answers = {QString::fromStdString(path)};
  d->OpenFile();
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_EQ(Rows(List(d.get())).size(), 2u);
  EXPECT_EQ(List(d.get())->item(1)->text(), "2.\t10.0.0.2\t0302");
  EXPECT_EQ(saved().lineTargets.count(), 1) << "saved copies are untouched";
  EXPECT_EQ(d->PendingChanges().size(), 1);
}

TEST_F(LineTargetsTest, LoadErrorsShowLineColumnAndReasonAndForgetTheName) {
  Register();
  auto d = OpenLineTargets();
  files_.answers = {QString::fromStdString((directory_ / "none.cfg").string())};
  d->OpenFile();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text, QStringLiteral("Error! Cannot open file.\n") +
                                         QString::fromLocal8Bit(strerror(ENOENT)));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(d->rememberedFileName(), "");

  // Too many line targets for a permanent connection.
  const std::string path = (directory_ / "many.cfg").string();
  working().lineTargets.NodeAt(1)->phoneNumber = "0";
  working().lineTargets.Append(MakeLineTarget("10.0.0.2", "1"));
  files_.answers = {QString::fromStdString(path)};
  d->SaveFileAs();
  context_->selected.current.permanentConnection = 1;
  const auto rows = Rows(List(d.get()));
  messages_.shown.clear();
  files_.answers = {QString::fromStdString(path)};
  d->OpenFile();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith("Loading error in line "));
  EXPECT_TRUE(messages_.shown[0].text.endsWith(".\nThe list contains too many entries!"))
      << messages_.shown[0].text.toStdString();
  EXPECT_EQ(Rows(List(d.get())), rows) << "the list display is not refilled";
  EXPECT_EQ(working().lineTargets.count(), 2);
}

TEST_F(LineTargetsTest, CancellingOpenChangesNothing) {
  Register();
  auto d = OpenLineTargets();
  const std::string before = d->rememberedFileName();
  d->OpenFile();
  EXPECT_EQ(files_.calls.size(), 1u);
  EXPECT_EQ(d->rememberedFileName(), before);
  EXPECT_TRUE(messages_.shown.empty());
}

// --- configuration history -------------------------------------------------

class LineTargetsHistoryTest : public LineTargetsTest {
 protected:
  std::filesystem::path RouterFolder() {
    return directory_ / "history" / context_->selected.hardwareAddressText;
  }
  std::vector<std::filesystem::path> HistoryFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(RouterFolder(), ignored))
      files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
  }
  static std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(LineTargetsHistoryTest, OkKeepsTheConfigurationAsReadBeforeSending) {
  Register();
  const std::string asRead =
      FormatConfigFile(saved().lineTargets, saved().routes, saved().filters,
                       context_->selected.current, context_->configContext());
  auto d = OpenLineTargets();
  AddThroughEditor("198.51.100.201");
  Button(d.get(), "addButton")->click();
  Button(d.get(), "okButton")->click();
  // Kept at the click, before the router has seen a single entry.
  const auto files = HistoryFiles();
  ASSERT_EQ(files.size(), 1u);
  const std::string kept = ReadAll(files[0]);
  EXPECT_NE(kept.find("# Operation : Line Targets OK\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("# Sending   : line target 2 written: 198.51.100.201 0309999 x75\n"),
            std::string::npos)
      << kept;
  EXPECT_EQ(kept.substr(kept.find("\n\n") + 2), asRead);
  FinishWrite();
  EXPECT_EQ(RouterLineTargets(),
            (std::vector<std::string>{"198.51.100.200 0301234567", "198.51.100.201 0309999"}));

  // An OK that sends nothing keeps nothing.
  auto again = OpenLineTargets();
  Button(again.get(), "okButton")->click();
  FinishWrite();
  EXPECT_EQ(HistoryFiles().size(), 1u);
}

TEST_F(LineTargetsHistoryTest, WithoutHistoryNothingIsSentUnlessTheUserSaysSo) {
  Register();
  std::ofstream(directory_ / "history") << "a file where the folder should be\n";
  auto d = OpenLineTargets();
  AddThroughEditor("198.51.100.201");
  Button(d.get(), "addButton")->click();
  const QStringList pending = d->PendingChanges();
  messages_.answers = {false};
  Button(d.get(), "okButton")->click();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.startsWith(
      "The router's configuration could not be kept in the history:\ncannot create "))
      << messages_.shown[0].text.toStdString();
  EXPECT_TRUE(messages_.shown[0].text.endsWith(
      "\n\nNothing has been written to the router yet.\nWrite to the router without keeping "
      "its configuration?"));
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  FinishWrite();
  EXPECT_TRUE(SentByTool(command::kWriteTableEntry).empty());
  EXPECT_FALSE(d->writeOutstanding());
  EXPECT_TRUE(Button(d.get(), "okButton")->isEnabled());
  EXPECT_EQ(d->PendingChanges(), pending) << "the edits stay for another try";
  EXPECT_EQ(RouterLineTargets(), (std::vector<std::string>{"198.51.100.200 0301234567"}));

  messages_.answers = {true};
  Button(d.get(), "okButton")->click();
  FinishWrite();
  EXPECT_EQ(RouterLineTargets(),
            (std::vector<std::string>{"198.51.100.200 0301234567", "198.51.100.201 0309999"}));
  EXPECT_EQ(d->result(), QDialog::Accepted);
}

TEST_F(LineTargetsHistoryTest, HistoryOpensTheRoutersVersionsAndRestoresAsOpenLoads) {
  Register();
  auto d = OpenLineTargets();
  d->OpenHistory();  // nothing kept yet: said so, no window
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].text,
            QString::fromStdString("No configuration of router " +
                                   context_->selected.hardwareAddressText + " has been kept yet."));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  messages_.shown.clear();

  AddThroughEditor("198.51.100.201");
  Button(d.get(), "addButton")->click();
  const QStringList sent = d->PendingChanges();
  Button(d.get(), "okButton")->click();
  FinishWrite();
  ASSERT_EQ(HistoryFiles().size(), 1u);
  messages_.shown.clear();

  auto next = OpenLineTargets();
  const std::string remembered = next->rememberedFileName();
  EXPECT_EQ(next->PendingChanges().size(), 0);
  auto* action = next->findChild<QAction*>(QStringLiteral("historyAction"));
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->text(), "&History...");
  QString operation;
  WhenModalOpens([&operation](QDialog* window) {
    auto* versions = Find<QTreeWidget>(window, "versionList");
    ASSERT_EQ(versions->topLevelItemCount(), 1);
    operation = versions->topLevelItem(0)->text(1);
    versions->topLevelItem(0)->setSelected(true);
    Button(window, "restoreButton")->click();
  });
  action->trigger();
  EXPECT_EQ(operation, "Line Targets OK");
  EXPECT_TRUE(files_.calls.empty());
  EXPECT_TRUE(messages_.shown.empty());
  // The working lists hold the configuration before that write again: OK
  // would take back exactly what it sent.
  EXPECT_EQ(Rows(List(next.get())).size(), 1u);
  EXPECT_EQ(next->PendingChanges().size(), sent.size());
  EXPECT_EQ(next->rememberedFileName(), remembered) << "Save never writes into the history";
}

TEST_F(LineTargetsTest, TheMainWindowButtonOpensTheDialog) {
  Register();
  InstallConfigurationDialogs(*window_, files_);
  QString title;
  WhenModalOpens([&title](QDialog* d) {
    title = d->windowTitle();
    d->reject();
  });
  button("lineTargetsButton")->click();
  EXPECT_EQ(title, "Line Targets");
}

// With name resolving on the main window lists the router by its host
// name; Line Targets, its two tables and the proposed file name use it too.
TEST_F(LineTargetsTest, TheRouterIsNamedAsTheMainWindowListsIt) {
  database_.AddHost("gw-berlin.example", Ip("198.51.100.10"));
  context_->settings.nameResolve = 1;
  context_->addresses.SetNameResolve(true);
  Register();
  ASSERT_EQ(context_->routers->NodeAt(1)->displayName, "gw-berlin.example");
  InstallConfigurationDialogs(*window_, files_);
  QString shown, filterRouter, routeRouter;
  std::string fileName;
  WhenModalOpens([&](QDialog* d) {
    shown = Find<StaticText>(d, "routerName")->text();
    fileName = static_cast<LineTargetsDialog*>(d)->rememberedFileName();
    WhenModalOpens([&](QDialog* table) {
      filterRouter = Find<StaticText>(table, "routerName")->text();
      table->reject();
    });
    Button(d, "filterTableButton")->click();
    WhenModalOpens([&](QDialog* table) {
      routeRouter = Find<StaticText>(table, "routerName")->text();
      table->reject();
    });
    Button(d, "routingTableButton")->click();
    d->reject();
  });
  button("lineTargetsButton")->click();
  EXPECT_EQ(shown, "gw-berlin.example");
  EXPECT_EQ(filterRouter, "gw-berlin.example");
  EXPECT_EQ(routeRouter, "gw-berlin.example");
  EXPECT_EQ(fileName, RememberedFileName("gw-berlin.example", MaxFileNameLength(".")));
  EXPECT_EQ(fileName, "gw-berlin_example.cfg");
}

TEST_F(LineTargetsTest, SetupConnectionEnablesOkOnlyWithARowAndReportsIt) {
  Register();
  AddWorkingTargets();
  WhenModalOpens([](QDialog* d) {
    EXPECT_FALSE(Button(d, "okButton")->isEnabled());
    auto* list = Find<QListWidget>(d, "lineTargetList");
    EXPECT_EQ(list->count(), 4);
    list->setCurrentRow(2);
    EXPECT_TRUE(Button(d, "okButton")->isEnabled());
    Button(d, "okButton")->click();
  });
  EXPECT_EQ(RunSetupConnection(window_.get(), *context_), std::optional<int>(2));
  WhenModalOpens([](QDialog* d) { d->reject(); });
  EXPECT_EQ(RunSetupConnection(window_.get(), *context_), std::nullopt);

  working().lineTargets.Clear();
  SetupConnectionDialog empty(working().lineTargets);
  empty.show();
  Find<QListWidget>(&empty, "lineTargetList")->clearSelection();
  EXPECT_FALSE(Button(&empty, "okButton")->isEnabled());
}

}  // namespace
}  // namespace tarcfg::testing
