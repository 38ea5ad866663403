// SPDX-License-Identifier: GPL-3.0-or-later
// The History window: the kept versions newest first, a version compared
// with the router's lists and two with each other, and a restored version
// sent through Show Changes and OK as any edit.
#include <QAction>
#include <QTreeWidget>

#include "dialogs/dialogs_test_support.h"
#include "dialogs/history_window.h"

namespace tarcfg::testing {
namespace {

class HistoryWindowTest : public DialogsTest {
 protected:
  // Two writes through Line Targets, each keeping the router's lists first:
  // the first adds 198.51.100.201, the second changes the first phone number.
  void WriteTwice() {
    auto first = OpenLineTargets();
    WhenModalOpens([](QDialog* editor) {
      Edit(editor, "hostName")->setText("198.51.100.201");
      Edit(editor, "phoneNumber")->setText("0309999");
      editor->accept();
    });
    Button(first.get(), "addButton")->click();
    Button(first.get(), "okButton")->click();
    FinishWrite();
    auto second = OpenLineTargets();
    Find<QListWidget>(second.get(), "lineTargetList")->setCurrentRow(0);
    WhenModalOpens([](QDialog* editor) {
      Edit(editor, "phoneNumber")->setText("0305555");
      editor->accept();
    });
    Button(second.get(), "openButton")->click();
    Button(second.get(), "okButton")->click();
    FinishWrite();
    messages_.shown.clear();
  }
  // The comparison the window shows for the rows selected: the column
  // titles, then per entry "entry|left|right" and its fields "  name|before|after"
  // with "*" after each highlighted cell.
  static QStringList CompareRows(QDialog* window, std::vector<int> rows) {
    auto* versions = Find<QTreeWidget>(window, "versionList");
    versions->clearSelection();
    for (int row : rows)
      versions->topLevelItem(row)->setSelected(true);
    QStringList shown;
    WhenModalOpens([&shown](QDialog* view) {
      auto* tree = Find<QTreeWidget>(view, "comparisonTree");
      auto cells = [](QTreeWidgetItem* item) {
        QStringList texts;
        for (int column = 0; column < 3; ++column)
          texts << item->text(column) +
                       (item->background(column).style() != Qt::NoBrush ? "*" : "");
        return texts.join('|');
      };
      shown << cells(tree->headerItem()).remove('*');
      for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* entry = tree->topLevelItem(i);
        if (!entry->text(0).startsWith("Line target"))
          continue;
        shown << cells(entry);
        for (int j = 0; j < entry->childCount(); ++j)
          shown << "  " + cells(entry->child(j));
      }
      view->reject();
    });
    Button(window, "compareButton")->click();
    return shown;
  }
};

TEST_F(HistoryWindowTest, ComparesVersionsAndSendsARestoredOneThroughShowChanges) {
  Register();
  WriteTwice();
  InstallConfigurationDialogs(*window_, files_);
  QStringList operations, withRouter, withEachOther, changes;
  QString sentColumn, olderTime, newerTime;
  WhenModalOpens([&](QDialog* window) {
    auto* versions = Find<QTreeWidget>(window, "versionList");
    for (int row = 0; row < versions->topLevelItemCount(); ++row)
      operations << versions->topLevelItem(row)->text(1);
    newerTime = versions->topLevelItem(0)->text(0);
    olderTime = versions->topLevelItem(1)->text(0);
    sentColumn = versions->topLevelItem(0)->text(2);
    withRouter = CompareRows(window, {1});
    withEachOther = CompareRows(window, {0, 1});
    // Restore the oldest: Line Targets opens on it.
    versions->clearSelection();
    versions->topLevelItem(1)->setSelected(true);
    WhenModalOpens([&](QDialog* lineTargets) {
      WhenModalOpens([&](QDialog* view) {
        for (const QString& row : Rows(Find<QListWidget>(view, "changesList")))
          changes << row;
        view->reject();
      });
      Button(lineTargets, "showChangesButton")->click();
      Button(lineTargets, "okButton")->click();
      FinishWrite();
    });
    Button(window, "restoreButton")->click();
  });
  window_->findChild<QAction*>(QStringLiteral("historyAction"))->trigger();

  EXPECT_EQ(operations, (QStringList{"Line Targets OK", "Line Targets OK"})) << "newest first";
  EXPECT_LE(olderTime, newerTime);
  EXPECT_TRUE(sentColumn.startsWith("line target 1 written: 198.51.100.200 0305555"))
      << sentColumn.toStdString();
  EXPECT_EQ(withRouter,
            (QStringList{
                "Entry|" + olderTime + "|Router (as last read or written)",
                "Line target 1*|198.51.100.200 0301234567 x75*|198.51.100.200 0305555 x75*",
                "  phone number|0301234567*|0305555*",
                "Line target 2||198.51.100.201 0309999 x75*",
            }))
      << withRouter.join('\n').toStdString();
  EXPECT_EQ(withEachOther,
            (QStringList{
                "Entry|" + olderTime + "|" + newerTime,
                "Line target 1|198.51.100.200 0301234567 x75|198.51.100.200 0301234567 x75",
                "Line target 2||198.51.100.201 0309999 x75*",
            }));
  ASSERT_FALSE(changes.isEmpty());
  EXPECT_EQ(changes.front(), "Line target 1: written\t198.51.100.200\t0301234567");
  EXPECT_TRUE(changes.contains("Line target 2: deleted\t198.51.100.201\t0309999"))
      << changes.join('\n').toStdString();
  EXPECT_EQ(RouterLineTargets(), (std::vector<std::string>{"198.51.100.200 0301234567"}));
}

}  // namespace
}  // namespace tarcfg::testing
