// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: the command line and the protocol definition file.
#include <gtest/gtest.h>

#include <QStringList>
#include <fstream>

#include "shell/application.h"
#include "shell/shell_test_support.h"

namespace tarcfg::testing {
namespace {

using StartupTest = ShellTest;

TEST(CommandLineTest, SettingsAndScreenshotOptions) {
  StartupOptions options =
      ParseCommandLine({QStringLiteral("tarcfg"), QStringLiteral("--settings"),
                        QStringLiteral("/tmp/a.ini"), QStringLiteral("--screenshot=/tmp/s.png")});
  EXPECT_TRUE(options.error.isEmpty());
  EXPECT_EQ(options.settingsFile, "/tmp/a.ini");
  EXPECT_EQ(options.screenshotPath, QStringLiteral("/tmp/s.png"));
  EXPECT_FALSE(
      ParseCommandLine({QStringLiteral("tarcfg"), QStringLiteral("--settings")}).error.isEmpty());
  EXPECT_FALSE(
      ParseCommandLine({QStringLiteral("tarcfg"), QStringLiteral("--bogus")}).error.isEmpty());
}

// A request for help or the version is answered and nothing else is done,
// wherever it stands, even where a file name was expected.
TEST(CommandLineTest, HelpAndVersionRequestsOnlyPrint) {
  struct Case {
    QStringList arguments;
    bool help;
    bool version;
  };
  for (const Case& c :
       {Case{{"--help"}, true, false}, Case{{"-h"}, true, false}, Case{{"--help-all"}, true, false},
        Case{{"--version"}, false, true}, Case{{"--settings", "--help"}, true, false},
        Case{{"--screenshot", "--version"}, false, true},
        Case{{"--settings", "a.ini", "--bogus", "-h"}, true, false}}) {
    const StartupOptions options = ParseCommandLine(QStringList{"tarcfg"} + c.arguments);
    const std::string line = c.arguments.join(' ').toStdString();
    EXPECT_TRUE(options.error.isEmpty()) << line;
    EXPECT_EQ(options.help, c.help) << line;
    EXPECT_EQ(options.version, c.version) << line;
    EXPECT_TRUE(options.settingsFile.empty()) << line;
    EXPECT_TRUE(options.screenshotPath.isEmpty()) << line;
  }
}

TEST(NetworkingTest, UdpSocketsAreAvailable) {
  EXPECT_TRUE(StartNetworking());
}

TEST_F(StartupTest, MissingProtocolFileKeepsTheBuiltInTable) {
  const auto before = context_->tables.layer2().size();
  EXPECT_TRUE(LoadProtocolDefinitions(*context_, nullptr));
  EXPECT_EQ(context_->tables.layer2().size(), before);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(StartupTest, MalformedProtocolFileShowsLineAndColumnAndStops) {
  std::ofstream(directory_ / "tarcfg.pro") << "x75 1 garbage here\n";
  EXPECT_FALSE(LoadProtocolDefinitions(*context_, nullptr));
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_EQ(messages_.shown[0].icon, MessageIcon::Stop);
  EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("TARCFG.PRO")));
  EXPECT_TRUE(messages_.shown[0].text.contains(QStringLiteral("line 1")) ||
              messages_.shown[0].text.contains(QStringLiteral("Line 1")));
}

}  // namespace
}  // namespace tarcfg::testing
