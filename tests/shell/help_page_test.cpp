// SPDX-License-Identifier: GPL-3.0-or-later
// Which user guide the Help menu opens: the page installed beside the
// program when there is one, else the copy built into the program.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/help_window.h"
#include "shell/shell_test_support.h"

namespace tarcfg::testing {
namespace {

const QUrl kBuiltInPage(QStringLiteral("qrc:/help/index.html"));

// An installation prefix in a temporary folder, laid out as the install
// rules lay it out: the program in <prefix>/bin, the user guide in
// <prefix>/share/tarcfg/help (the build's GNUInstallDirs directories).
class InstalledTree {
 public:
  InstalledTree() { QDir(prefix_.path()).mkpath(QStringLiteral(TARCFG_TEST_BINDIR)); }

  bool valid() const { return prefix_.isValid(); }
  QString programDir() const { return prefix_.filePath(QStringLiteral(TARCFG_TEST_BINDIR)); }
  QString helpPagePath() const {
    return prefix_.filePath(QStringLiteral(TARCFG_TEST_HELP_DIR "/index.html"));
  }

  bool WriteHelpPage(const QByteArray& html) const {
    QDir(prefix_.path()).mkpath(QStringLiteral(TARCFG_TEST_HELP_DIR));
    QFile file(helpPagePath());
    return file.open(QIODevice::WriteOnly) && file.write(html) == html.size();
  }

 private:
  QTemporaryDir prefix_;
};

TEST(HelpPageLookupTest, InstalledPageBesideTheProgramIsTaken) {
  InstalledTree tree;
  ASSERT_TRUE(tree.valid());
  ASSERT_TRUE(tree.WriteHelpPage("<html><body><p>Installed guide</p></body></html>"));
  const QUrl page = FindHelpPage(tree.programDir());
  ASSERT_TRUE(page.isLocalFile()) << page.toString().toStdString();
  EXPECT_EQ(page.toLocalFile(), QDir::cleanPath(tree.helpPagePath()));
}

TEST(HelpPageLookupTest, WithoutAnInstalledPageTheBuiltInCopyIsTaken) {
  InstalledTree tree;
  ASSERT_TRUE(tree.valid());
  EXPECT_EQ(FindHelpPage(tree.programDir()), kBuiltInPage);
}

TEST(HelpPageLookupTest, FolderInPlaceOfThePageIsNotTaken) {
  InstalledTree tree;
  ASSERT_TRUE(tree.valid());
  ASSERT_TRUE(QDir().mkpath(tree.helpPagePath()));
  EXPECT_EQ(FindHelpPage(tree.programDir()), kBuiltInPage);
}

TEST(HelpPageLookupTest, UnknownProgramFolderDoesNotSearchTheCurrentFolder) {
  // Without an application object the program's folder is unknown (empty);
  // the look-up must not fall back to paths relative to the current folder.
  InstalledTree tree;
  ASSERT_TRUE(tree.valid());
  ASSERT_TRUE(tree.WriteHelpPage("<html><body><p>Installed guide</p></body></html>"));
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(tree.programDir()));
  const QUrl page = FindHelpPage(QString());
  QDir::setCurrent(previous);
  EXPECT_EQ(page, kBuiltInPage);
}

TEST(HelpPageLookupTest, BuiltInCopyIsThereForTheFallback) {
  EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/index.html")));
}

using HelpMenuTest = ShellTest;

TEST_F(HelpMenuTest, ContentsShowsTheInstalledPage) {
  InstalledTree tree;
  ASSERT_TRUE(tree.valid());
  ASSERT_TRUE(tree.WriteHelpPage(
      "<html><body><h1>Installed guide</h1><p>Only in the installed copy.</p></body></html>"));
  StartWindow();
  window_->SetHelpPage(FindHelpPage(tree.programDir()));
  window_->findChild<QAction*>(QStringLiteral("contentsAction"))->trigger();
  ASSERT_NE(window_->helpWindow(), nullptr);
  EXPECT_TRUE(window_->helpWindow()->isVisible());
  EXPECT_TRUE(
      window_->helpWindow()->toPlainText().contains(QStringLiteral("Only in the installed")));
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(HelpMenuTest, ProgramOutsideAnInstallationShowsTheBuiltInGuide) {
  // The test program runs from the build tree: no share/ beside its folder.
  StartWindow();
  window_->findChild<QAction*>(QStringLiteral("contentsAction"))->trigger();
  ASSERT_NE(window_->helpWindow(), nullptr);
  EXPECT_EQ(window_->helpWindow()->source(), kBuiltInPage);
  EXPECT_TRUE(messages_.shown.empty());
}

}  // namespace
}  // namespace tarcfg::testing
