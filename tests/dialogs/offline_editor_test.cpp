// SPDX-License-Identifier: GPL-3.0-or-later
// Editing a configuration file without a router: the main window's
// "Open Configuration..." reads it in the operating mode chosen, Line
// Targets edits it, Save writes it back, and nothing is ever sent.
#include <QAction>
#include <QComboBox>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/config_file.h"
#include "dialogs/dialogs_test_support.h"
#include "shell/static_text.h"

namespace tarcfg::testing {
namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OfflineEditorTest : public DialogsTest {
 protected:
  void SetUp() override {
    UseRouters({OpenRouter("198.51.100.10", 1)});
    StartWindow();
    FinishScan();
    InstallConfigurationDialogs(*window_, files_);
    // Two line targets: a switched line takes them, a permanent one does not.
    Configuration configuration;
    configuration.lineTargets.Append(MakeLineTarget("10.0.0.2", "0301"));
    configuration.lineTargets.Append(MakeLineTarget("10.0.0.3", "0302"));
    configuration.routes.Append(SampleRoute("255.255.255.0", "10.1.0.0", "10.0.0.2"));
    configuration.filters.Append(MakeFilter("10.0.0.2", 6, 80, 1));
    EnsureDefaultFilter(configuration.filters);
    const ConfigWriteResult written =
        WriteConfigFile(File().string(), configuration.lineTargets, configuration.routes,
                        configuration.filters, RouterParameters{}, context_->configContext());
    ASSERT_TRUE(written);
    network_.ClearLog();
  }
  std::filesystem::path File() { return directory_ / "office.cfg"; }
  // Triggers "Open Configuration..." on office.cfg; the mode list shows
  // the usual mode first, `mode` is picked, and `edit` runs on Line Targets.
  void OpenOffline(int mode, std::function<void(QDialog*)> edit, int* offered = nullptr) {
    files_.answers = {QString::fromStdString(File().string())};
    WhenModalOpens([this, mode, edit, offered](QDialog* choice) {
      auto* modes = Find<QComboBox>(choice, "modeList");
      if (offered)
        *offered = modes->currentData().toInt();
      modes->setCurrentIndex(modes->findData(mode));
      if (edit)
        WhenModalOpens(edit);
      Button(choice, "okButton")->click();
    });
    window_->findChild<QAction*>(QStringLiteral("openConfigurationAction"))->trigger();
  }
};

TEST_F(OfflineEditorTest, OpenEditSaveAndReopenGiveTheSameFileAndSendNothing) {
  QString title;
  bool okShown = true, changesShown = true, historyEnabled = true;
  OpenOffline(
      0,
      [&](QDialog* d) {
        title = d->windowTitle();
        okShown = Button(d, "okButton")->isVisible();
        changesShown = Button(d, "showChangesButton")->isVisible();
        historyEnabled = d->findChild<QAction*>(QStringLiteral("historyAction"))->isEnabled();
        EXPECT_EQ(Find<QListWidget>(d, "lineTargetList")->count(), 2);
        // The editor checks as for a router; OK is not offered.
        WhenModalOpens([](QDialog* editor) {
          Edit(editor, "hostName")->setText("10.0.0.4");
          Edit(editor, "phoneNumber")->setText("0303");
          editor->accept();
        });
        Button(d, "addButton")->click();
        d->accept();  // Enter: does nothing here
        EXPECT_TRUE(d->isVisible());
        // Close with unsaved edits asks; No keeps them for Save.
        messages_.answers = {false};
        Button(d, "cancelButton")->click();
        ASSERT_EQ(messages_.shown.size(), 1u);
        EXPECT_EQ(messages_.shown[0].text,
                  QString::fromStdString("The changes have not been saved to " + File().string() +
                                         ".\nDiscard them?"));
        d->findChild<QAction*>(QStringLiteral("saveAction"))->trigger();
        Button(d, "cancelButton")->click();  // saved: no question
        EXPECT_FALSE(d->isVisible());
      },
      nullptr);
  EXPECT_EQ(title, "Line Targets - office.cfg");
  EXPECT_FALSE(okShown);
  EXPECT_FALSE(changesShown);
  EXPECT_FALSE(historyEnabled);
  EXPECT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(files_.calls.size() == 1u) << "Save writes the file opened, without asking";
  const std::string saved = ReadAll(File());
  EXPECT_NE(saved.find("10.0.0.4"), std::string::npos);

  // Reopened, the lists are those saved: Save As writes the same text.
  int offered = -1;
  OpenOffline(
      0,
      [this](QDialog* d) {
        EXPECT_EQ(Rows(Find<QListWidget>(d, "lineTargetList")),
                  (std::vector<QString>{"1.\t10.0.0.2\t0301", "2.\t10.0.0.3\t0302",
                                        "3.\t10.0.0.4\t0303"}));
        files_.answers = {QString::fromStdString((directory_ / "copy.cfg").string())};
        d->findChild<QAction*>(QStringLiteral("saveAsAction"))->trigger();
        EXPECT_EQ(d->windowTitle(), "Line Targets - copy.cfg");
        Button(d, "cancelButton")->click();
      },
      &offered);
  EXPECT_EQ(offered, 0) << "a switched line unless the user picks another mode";
  EXPECT_EQ(ReadAll(directory_ / "copy.cfg"), saved);
  EXPECT_TRUE(network_.log().empty()) << "nothing is sent without a router";
}

TEST_F(OfflineEditorTest, ThePermanentConnectionChosenDecidesHowTheFileIsRead) {
  // A permanent connection holds one line target: the file does not load.
  OpenOffline(2, nullptr);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_TRUE(messages_.shown[0].text.endsWith("The list contains too many entries!"))
      << messages_.shown[0].text.toStdString();
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(network_.log().empty());
}

}  // namespace
}  // namespace tarcfg::testing
