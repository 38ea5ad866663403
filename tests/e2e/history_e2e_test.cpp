// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration history against tarnex-sim: what is kept before every
// write, restore, the history kept in git, and serve's archive of changes
// made elsewhere.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "support/run_command.h"

namespace {

namespace fs = std::filesystem;

using Result = tarcfg::testing::CommandResult;

using tarcfg::e2e::E2eTest;
using tarcfg::e2e::History;
using tarcfg::e2e::kGuarded;
using tarcfg::e2e::kLoader;
using tarcfg::e2e::kOpen;

TEST_F(History, WriteKeepsExactlyTheRoutersPreviousText) {
  Result before = Cli("read 198.51.100.10");
  ASSERT_EQ(before.status, 0) << before.err;
  WriteFile("edited.cfg", kEdited);
  Result write = Cli("write 198.51.100.10 edited.cfg");
  ASSERT_EQ(write.status, 0) << write.err;
  const auto files = HistoryFiles(kOpen);
  ASSERT_EQ(files.size(), 1u);
  const std::string kept = ReadFile(files[0]);
  EXPECT_EQ(WithoutNote(kept), before.out);
  EXPECT_NE(kept.find("# Operation : tarcfg-cli write edited.cfg\n"), std::string::npos) << kept;
  EXPECT_NE(kept.find("# Sending   : line target 2 written: 198.51.100.230 0301 hdlc\n"),
            std::string::npos)
      << kept;
  // It loads as any .cfg does.
  EXPECT_EQ(Cli("check '" + files[0].string() + "'").out, "3 line targets, 3 routes, 3 filters\n");

  // Nothing to send, nothing kept; a dry run keeps nothing either.
  EXPECT_EQ(Cli("write 198.51.100.10 edited.cfg").out, "0 entries sent\n");
  EXPECT_EQ(Cli("restore 198.51.100.10 --last --dry-run").status, 0);
  EXPECT_EQ(HistoryFiles(kOpen).size(), 1u);
}

TEST_F(History, RestoreLastBringsTheTablesBackByteForByte) {
  const std::string original = Tables(kOpen);
  ASSERT_NE(original.find("198.51.100.202"), std::string::npos) << original;
  WriteFile("edited.cfg", kEdited);
  ASSERT_EQ(Cli("write 198.51.100.10 edited.cfg").status, 0);
  ASSERT_NE(Tables(kOpen), original);

  Result restore = Cli("restore 198.51.100.10 --last");
  ASSERT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(Tables(kOpen), original);
  // The restore kept what it replaced first: now two files, newest first.
  Result list = Cli("history 00-60-1a-10-00-01 --json");
  ASSERT_EQ(list.status, 0) << list.err;
  const auto entries = QJsonDocument::fromJson(QByteArray::fromStdString(list.out)).array();
  ASSERT_EQ(entries.size(), 2) << list.out;
  const QJsonObject newest = entries[0].toObject();
  EXPECT_EQ(newest["index"].toInt(), 1);
  EXPECT_TRUE(newest["operation"].toString().startsWith("tarcfg-cli restore "));
  EXPECT_EQ(newest["lineTargets"].toInt(), 2);
  EXPECT_EQ(newest["routes"].toInt(), 1);
  EXPECT_EQ(newest["filters"].toInt(), 1);
  const QJsonObject older = entries[1].toObject();
  EXPECT_EQ(older["operation"].toString(), "tarcfg-cli write edited.cfg");
  EXPECT_EQ(older["lineTargets"].toInt(), 3);
  EXPECT_EQ(older["routes"].toInt(), 3);
  EXPECT_EQ(older["filters"].toInt(), 3);
  EXPECT_GT(older["sending"].toArray().size(), 0);
  EXPECT_TRUE(fs::exists(older["file"].toString().toStdString()));
  // --index 2 is the same file as the write kept: nothing differs now.
  EXPECT_EQ(Cli("restore 198.51.100.10 --index 2 --dry-run").out, "");
  EXPECT_EQ(Cli("restore 198.51.100.10 --index 3").status, 3);
  EXPECT_EQ(Cli("restore 198.51.100.10").status, 2);

  // The listing by address finds the router by a scan.
  Result text = Cli("history 198.51.100.10");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("2  "), std::string::npos);
  EXPECT_NE(text.out.find("3 line targets, 3 routes, 3 filters\n   before: tarcfg-cli write "
                          "edited.cfg (8 changes)\n"),
            std::string::npos)
      << text.out;
}

TEST_F(History, SetAndFirmwareKeepHistoryFirst) {
  ASSERT_EQ(Cli("set 198.51.100.10 --phone 0301999").status, 0);
  auto files = HistoryFiles(kOpen);
  ASSERT_EQ(files.size(), 1u);
  std::string kept = ReadFile(files[0]);
  EXPECT_NE(kept.find("# Operation : tarcfg-cli set\n# Sending   : phone number: "),
            std::string::npos)
      << kept;
  EXPECT_NE(kept.find("# Router Telephone Number : "), std::string::npos);

  ASSERT_EQ(Cli("firmware 198.51.100.10 --version 2.08").status, 0);
  files = HistoryFiles(kOpen);
  ASSERT_EQ(files.size(), 2u);
  kept = ReadFile(files[1]);
  EXPECT_NE(kept.find("# Operation : tarcfg-cli firmware\n# Sending   : firmware fw_dss1.2.08"),
            std::string::npos)
      << kept;
  EXPECT_NE(kept.find("# Router Telephone Number : 0301999\n"), std::string::npos);
}

TEST_F(History, NothingIsSentWhenTheHistoryCannotBeKept) {
  // A file where the history folder would go.
  fs::create_directories(dir / "state");
  WriteFile("state/tarcfg", "in the way\n");
  const std::string original = Tables(kOpen);
  WriteFile("edited.cfg", kEdited);
  Result refused = Cli("write 198.51.100.10 edited.cfg");
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("cannot keep the router's configuration in the history"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("--no-history"), std::string::npos);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(Tables(kOpen), original);
  EXPECT_EQ(Cli("set 198.51.100.10 --phone 0301999").status, 3);
  EXPECT_NE(RouterState(kOpen)["phone"].toString(), "0301999");

  Result anyway = Cli("write 198.51.100.10 edited.cfg --no-history");
  ASSERT_EQ(anyway.status, 0) << anyway.err;
  EXPECT_NE(Tables(kOpen), original);
}

TEST_F(History, AGitHistoryFolderGetsACommitPerKeptVersion) {
  ASSERT_EQ(Cli("history --git-init").status, 0);
  const fs::path folder = dir / "state/tarcfg/history";
  const auto git = [&](const std::string& arguments) {
    return tarcfg::testing::RunCommand("git -C '" + folder.string() + "' " + arguments,
                                       dir / "git-stderr");
  };
  WriteFile("edited.cfg", kEdited);
  ASSERT_EQ(Cli("write 198.51.100.10 edited.cfg").status, 0);
  Result set = Cli("set 198.51.100.10 --phone 0301999");
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(set.err, "");
  const auto files = HistoryFiles(kOpen);
  ASSERT_EQ(files.size(), 2u);
  // One path for the router, holding what was kept last; a message per version.
  EXPECT_EQ(git("ls-files").out, "00-60-1a-10-00-01.cfg\n");
  EXPECT_EQ(git("show HEAD:00-60-1a-10-00-01.cfg").out, WithoutNote(ReadFile(files[1])));
  Result log = git("log --format=%s%n%b");
  EXPECT_EQ(log.out.rfind("00-60-1a-10-00-01 198.51.100.10: ", 0), 0u) << log.out;
  EXPECT_NE(log.out.find("Kept before: tarcfg-cli set\n"), std::string::npos) << log.out;
  EXPECT_NE(log.out.find("Kept before: tarcfg-cli write edited.cfg\n"), std::string::npos);
  EXPECT_NE(log.out.find("Workstation: "), std::string::npos);
  EXPECT_NE(log.out.find(": first version\n"), std::string::npos);
  EXPECT_EQ(git("rev-list --count HEAD").out, "2\n");

  // A locked repository: the version is kept all the same, said in one line.
  WriteFile("state/tarcfg/history/.git/index.lock", "");
  Result locked = Cli("restore 198.51.100.10 --index 2");
  ASSERT_EQ(locked.status, 0) << locked.err;
  EXPECT_EQ(HistoryFiles(kOpen).size(), 3u);
  EXPECT_EQ(locked.err.rfind("tarcfg-cli: warning: kept in the history but not committed", 0), 0u)
      << locked.err;
  EXPECT_EQ(std::count(locked.err.begin(), locked.err.end(), '\n'), 1) << locked.err;
  EXPECT_EQ(git("rev-list --count HEAD").out, "2\n");
}

}  // namespace
