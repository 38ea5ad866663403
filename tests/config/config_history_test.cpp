// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_history.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/file_test_support.h"
#include "config/protocol_definitions.h"

namespace tarcfg {
namespace {

using testing::ReadText;
using testing::ScratchDirectory;
using testing::WriteText;

namespace fs = std::filesystem;
using TimePoint = std::chrono::system_clock::time_point;

constexpr const char* kRouter = "00-60-1a-10-00-01";

// 2024-05-01 12:00:00 UTC.
TimePoint May1Noon() {
  return TimePoint(std::chrono::seconds(1714564800));
}

const char* const kConfigText =
    "#\n# Tarnex Router Configuration File\n#\n"
    "Line_Targets:\n\n#Example:\n#124.50.16.101 011223344 x75 null 20 0 1 0\n"
    "198.51.100.200 0301234567 x75 null 20 0 0 0\n"
    "198.51.100.201 0891234567 hdlc null 20 0 0 0\n"
    "\n\nRouting_Data:\n#255.255.255.0 124.50.16.0 124.50.16.101\n"
    "0.0.0.0 0.0.0.0 198.51.100.200\n"
    "\n\nFilter_Data:\n\n# Action = 1 -> accept\n"
    "255.255.255.0 198.51.100.0 0.0.0.0 0.0.0.0 telnet 1\n"
    "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n";

class ConfigHistoryTest : public ::testing::Test {
 protected:
  ConfigHistory History(int limit = kDefaultHistoryLimit) {
    return ConfigHistory(dir.File("history"), limit, [this] { return now; });
  }
  HistoryNote Note(const std::string& operation = "tarcfg-cli write edited.cfg") {
    return HistoryNote{"198.51.100.10", operation, {"line target 2 written: 198.51.100.222"}};
  }
  std::string RouterFolder() { return dir.File("history/") + kRouter; }

  ScratchDirectory dir;
  TimePoint now = May1Noon();
};

TEST_F(ConfigHistoryTest, FileIsNamedForTheUtcSecondUnderTheHardwareAddress) {
  const HistoryKeepResult kept = History().Keep(kRouter, kConfigText, Note());
  ASSERT_TRUE(kept.ok) << kept.error;
  EXPECT_EQ(kept.path, RouterFolder() + "/20240501T120000Z.cfg");
  EXPECT_TRUE(fs::exists(kept.path));
}

TEST_F(ConfigHistoryTest, UpperCaseHardwareAddressSharesTheRoutersFolder) {
  ASSERT_TRUE(History().Keep("00-60-1A-10-00-01", kConfigText, Note()).ok);
  EXPECT_TRUE(fs::exists(RouterFolder() + "/20240501T120000Z.cfg"));
}

TEST_F(ConfigHistoryTest, FileIsTheWritersTextBehindCommentLines) {
  const HistoryKeepResult kept = History().Keep(kRouter, kConfigText, Note());
  ASSERT_TRUE(kept.ok);
  const std::string text = ReadText(kept.path);
  EXPECT_EQ(text,
            "# Configuration history: the router's configuration as last read\n"
            "# Time      : 2024-05-01T12:00:00Z\n"
            "# Router    : 00-60-1a-10-00-01 198.51.100.10\n"
            "# Operation : tarcfg-cli write edited.cfg\n"
            "# Sending   : line target 2 written: 198.51.100.222\n"
            "\n" +
                std::string(kConfigText));
}

TEST_F(ConfigHistoryTest, LineEndsInTheNoteCannotTurnIntoDataLines) {
  HistoryNote note = Note();
  note.sending = {"evil\nLine_Targets:\n10.0.0.1 1 x75 null 20 0 0 0"};
  const HistoryKeepResult kept = History().Keep(kRouter, kConfigText, note);
  ASSERT_TRUE(kept.ok);
  const HistoryEntry entry = ParseHistoryText(ReadText(kept.path));
  EXPECT_EQ(entry.lineTargets, 2);
  ASSERT_EQ(entry.sending.size(), 1u);
  EXPECT_EQ(entry.sending[0], "evil Line_Targets: 10.0.0.1 1 x75 null 20 0 0 0");
}

TEST_F(ConfigHistoryTest, FilesAndFoldersAreTheOwnersOnly) {
  const HistoryKeepResult kept = History().Keep(kRouter, kConfigText, Note());
  ASSERT_TRUE(kept.ok);
  struct stat info {};
  ASSERT_EQ(::stat(kept.path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(RouterFolder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(ConfigHistoryTest, TwoWritesInOneSecondKeepBoth) {
  ConfigHistory history = History();
  const HistoryKeepResult first = history.Keep(kRouter, "first\n", Note());
  const HistoryKeepResult second = history.Keep(kRouter, "second\n", Note());
  const HistoryKeepResult third = history.Keep(kRouter, "third\n", Note());
  ASSERT_TRUE(first.ok && second.ok && third.ok);
  EXPECT_EQ(second.path, RouterFolder() + "/20240501T120000Z-2.cfg");
  EXPECT_EQ(third.path, RouterFolder() + "/20240501T120000Z-3.cfg");
  EXPECT_NE(ReadText(first.path).find("first\n"), std::string::npos);
  EXPECT_NE(ReadText(second.path).find("second\n"), std::string::npos);
  // Newest first, the same-second sequence counted as later.
  const auto entries = history.List(kRouter);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].fileName, "20240501T120000Z-3.cfg");
  EXPECT_EQ(entries[1].fileName, "20240501T120000Z-2.cfg");
  EXPECT_EQ(entries[2].fileName, "20240501T120000Z.cfg");
}

TEST_F(ConfigHistoryTest, ListIsNewestFirstWithCountsAndNote) {
  ConfigHistory history = History();
  ASSERT_TRUE(history.Keep(kRouter, kConfigText, Note("tarcfg-cli set")).ok);
  now += std::chrono::hours(25);
  ASSERT_TRUE(
      history.Keep(kRouter, "Line_Targets:\nRouting_Data:\nFilter_Data:\n", Note("Line Targets OK"))
          .ok);
  const auto entries = history.List(kRouter);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].time, "2024-05-02T13:00:00Z");
  EXPECT_EQ(entries[0].operation, "Line Targets OK");
  EXPECT_EQ(entries[0].lineTargets, 0);
  EXPECT_EQ(entries[1].time, "2024-05-01T12:00:00Z");
  EXPECT_EQ(entries[1].operation, "tarcfg-cli set");
  EXPECT_EQ(entries[1].routerName, "00-60-1a-10-00-01 198.51.100.10");
  EXPECT_EQ(entries[1].lineTargets, 2);
  EXPECT_EQ(entries[1].routes, 1);
  EXPECT_EQ(entries[1].filters, 2);
  ASSERT_EQ(entries[1].sending.size(), 1u);
  EXPECT_EQ(entries[1].path, RouterFolder() + "/20240501T120000Z.cfg");
}

TEST_F(ConfigHistoryTest, OnlyTheNewestUpToTheLimitAreKept) {
  ConfigHistory history = History(3);
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(history.Keep(kRouter, "text " + std::to_string(i) + "\n", Note()).ok);
    now += std::chrono::seconds(1);
  }
  const auto entries = history.List(kRouter);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].fileName, "20240501T120004Z.cfg");
  EXPECT_EQ(entries[2].fileName, "20240501T120002Z.cfg");
  EXPECT_FALSE(fs::exists(RouterFolder() + "/20240501T120000Z.cfg"));
}

TEST_F(ConfigHistoryTest, LimitLeavesOtherFilesOfTheFolderAlone) {
  ConfigHistory history = History(1);
  ASSERT_TRUE(history.Keep(kRouter, "one\n", Note()).ok);
  WriteText(RouterFolder() + "/notes.txt", "mine\n");
  WriteText(RouterFolder() + "/my-copy.cfg", "mine\n");
  now += std::chrono::seconds(1);
  ASSERT_TRUE(history.Keep(kRouter, "two\n", Note()).ok);
  EXPECT_TRUE(fs::exists(RouterFolder() + "/notes.txt"));
  EXPECT_TRUE(fs::exists(RouterFolder() + "/my-copy.cfg"));
  EXPECT_EQ(history.List(kRouter).size(), 1u);
}

TEST_F(ConfigHistoryTest, LimitZeroTurnsHistoryOff) {
  ConfigHistory history = History(0);
  EXPECT_FALSE(history.enabled());
  const HistoryKeepResult kept = history.Keep(kRouter, kConfigText, Note());
  EXPECT_TRUE(kept.ok);
  EXPECT_TRUE(kept.path.empty());
  EXPECT_FALSE(fs::exists(dir.File("history")));
}

TEST_F(ConfigHistoryTest, AFailedKeepLeavesNoFileAndSaysWhy) {
  // A file where the history folder should be.
  WriteText(dir.File("history"), "not a folder\n");
  const HistoryKeepResult kept = History().Keep(kRouter, kConfigText, Note());
  EXPECT_FALSE(kept.ok);
  EXPECT_NE(kept.error.find(dir.File("history")), std::string::npos) << kept.error;
  EXPECT_EQ(ReadText(dir.File("history")), "not a folder\n");
}

TEST_F(ConfigHistoryTest, UnwritableFolderFailsWithoutLeftovers) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "root writes into read-only folders";
  ASSERT_TRUE(History().Keep(kRouter, "old\n", Note()).ok);
  fs::permissions(RouterFolder(), fs::perms::owner_read | fs::perms::owner_exec);
  now += std::chrono::seconds(1);
  const HistoryKeepResult kept = History().Keep(kRouter, kConfigText, Note());
  fs::permissions(RouterFolder(), fs::perms::owner_all);
  EXPECT_FALSE(kept.ok);
  EXPECT_NE(kept.error.find("Permission denied"), std::string::npos) << kept.error;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(RouterFolder()))
    files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1);
}

TEST_F(ConfigHistoryTest, NoTemporaryFileStaysBehind) {
  ConfigHistory history = History();
  ASSERT_TRUE(history.Keep(kRouter, kConfigText, Note()).ok);
  ASSERT_TRUE(history.Keep(kRouter, kConfigText, Note()).ok);
  for (const auto& entry : fs::directory_iterator(RouterFolder()))
    EXPECT_EQ(entry.path().extension(), ".cfg") << entry.path();
}

TEST_F(ConfigHistoryTest, AnythingButAHardwareAddressIsRefused) {
  ConfigHistory history = History();
  EXPECT_EQ(history.RouterDirectory("../../etc"), "");
  EXPECT_FALSE(history.Keep("198.51.100.10", kConfigText, Note()).ok);
  EXPECT_FALSE(history.Keep("", kConfigText, Note()).ok);
  EXPECT_TRUE(history.List("../x").empty());
}

// A configuration in memory is kept in the writer's format and loads back
// with the reader, the history's comment lines skipped.
TEST_F(ConfigHistoryTest, KeptConfigurationLoadsWithTheReader) {
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};
  Configuration configuration;
  LineTarget target;
  target.hostName = "198.51.100.200";
  target.phoneNumber = "0301234567";
  target.layer2Protocol = 0;
  target.layer3Protocol = 0;
  target.timeout = 20;
  target.remoteIdentification = "office/geheim";
  configuration.lineTargets.Append(target);
  RouteEntry route;
  route.netmask = "0.0.0.0";
  route.match = "0.0.0.0";
  route.gateway = "198.51.100.200";
  configuration.routes.Append(route);
  configuration.filters.Append(DefaultFilterReject());
  RouterParameters router;
  router.name = "198.51.100.10";

  const HistoryKeepResult kept =
      History().Keep(kRouter, configuration.lineTargets, configuration.routes,
                     configuration.filters, router, context, Note());
  ASSERT_TRUE(kept.ok) << kept.error;
  const std::string text = ReadText(kept.path);
  EXPECT_NE(text.find(FormatConfigFile(configuration.lineTargets, configuration.routes,
                                       configuration.filters, router, context)),
            std::string::npos);

  Configuration loaded;
  std::FILE* trace = std::tmpfile();
  const ConfigReadResult read = ReadConfigFile(kept.path, 0, context, loaded, trace);
  std::fclose(trace);
  ASSERT_EQ(read.code, kConfigOk) << read.line << ":" << read.column;
  ASSERT_EQ(loaded.lineTargets.count(), 1);
  EXPECT_EQ(loaded.lineTargets.NodeAt(1)->remoteIdentification.str(), "office/geheim");
  EXPECT_EQ(loaded.routes.count(), 1);
  EXPECT_EQ(loaded.filters.count(), 1);
  EXPECT_EQ(loaded.filters.NodeAt(1)->action, 0);
}

// A line target whose layer-2 protocol the tables lack is kept with an
// x75_N definition written beside the file; with it in tarcfg.pro the file
// loads with every line target.
TEST_F(ConfigHistoryTest, UndefinedProtocolsAreKeptWithTheirDefinitions) {
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};
  Configuration configuration;
  LineTargetList& lineTargets = configuration.lineTargets;
  LineTarget known;
  known.hostName = "198.51.100.200";
  known.phoneNumber = "0301234567";
  known.layer2Protocol = 0;
  known.layer3Protocol = 0;
  known.timeout = 20;
  lineTargets.Append(known);
  LineTarget odd = known;
  odd.hostName = "198.51.100.201";
  odd.layer2Protocol = kNoProtocol;  // as read from a router: no entry has these
  odd.layer2Base = kLayer2BaseX75;
  odd.layer2Parameters = Layer2Parameters{1234, 3, 1, 8, 7};
  lineTargets.Append(odd);
  configuration.filters.Append(DefaultFilterReject());
  RouterParameters router;
  router.name = "198.51.100.10";

  const HistoryKeepResult kept = History().Keep(kRouter, lineTargets, configuration.routes,
                                                configuration.filters, router, context, Note());
  ASSERT_TRUE(kept.ok) << kept.error;
  const std::string definitions = RouterFolder() + "/20240501T120000Z.add";
  ASSERT_TRUE(fs::exists(definitions));
  EXPECT_NE(ReadText(definitions)
                .find("2:x75_1 base=x75 blocksize=1234 addr_a=3 addr_b=1 modulo=8 windowsize=7\n"),
            std::string::npos);

  const std::string proDirectory = dir.File("pro");
  fs::create_directories(proDirectory);
  fs::copy_file(definitions, proDirectory + "/tarcfg.pro");
  ProtocolTables extended;
  std::FILE* trace = std::tmpfile();
  ASSERT_TRUE(ReadProtocolDefinitions(proDirectory, extended, trace).ok);
  Configuration loaded;
  const ConfigReadResult read =
      ReadConfigFile(kept.path, 0, ConfigContext{extended, addresses, database}, loaded, trace);
  std::fclose(trace);
  ASSERT_EQ(read.code, kConfigOk) << read.line << ":" << read.column;
  ASSERT_EQ(loaded.lineTargets.count(), 2);
  EXPECT_EQ(loaded.lineTargets.NodeAt(2)->hostName.str(), "198.51.100.201");
  const Layer2Protocol* layer2 = extended.Layer2At(loaded.lineTargets.NodeAt(2)->layer2Protocol);
  ASSERT_NE(layer2, nullptr);
  EXPECT_TRUE(layer2->parameters == odd.layer2Parameters);
}

TEST_F(ConfigHistoryTest, DirectoryFollowsXdgStateHome) {
  const char* saved = std::getenv("XDG_STATE_HOME");
  const std::string previous = saved ? saved : "";
  ::setenv("XDG_STATE_HOME", "/tmp/state", 1);
  EXPECT_EQ(DefaultHistoryDirectory(), "/tmp/state/tarcfg/history");
  ::setenv("XDG_STATE_HOME", "relative/ignored", 1);
  const std::string fallback = DefaultHistoryDirectory();
  EXPECT_NE(fallback.find("/.local/state/tarcfg/history"), std::string::npos) << fallback;
  if (saved)
    ::setenv("XDG_STATE_HOME", previous.c_str(), 1);
  else
    ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace tarcfg
