// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "config/config_file.h"
#include "config/file_test_support.h"
#include "support/sample_configuration.h"

namespace tarcfg {
namespace {

using testing::ReadText;
using testing::SampleFilter;
using testing::SampleRoute;
using testing::ScratchDirectory;
using testing::WriteText;

// The file for SampleWriterTest: four line targets over x75, hdlc, ppp and a
// definition from tarcfg.pro (a fifth with an undefined protocol is left
// out), two routes, and filters with "all", a service name and port/protocol.
const char* const kGoldenFile =
    "#\n"
    "# Tarnex Router Configuration File\n"
    "#\n"
    "#\n"
    "# The Entries of a Line must be separated by Blanks or Tabs \n"
    "#\n"
    "\n"
    "# Router Configuration:\n"
    "#\n"
    "# Router Name / IP-Address: router1.example\n"
    "# Netmask                 : 255.255.255.0\n"
    "# Router Telephone Number : 030123456\n"
    "# Firmware                : 2.31 / DSS1\n"
    "#\n"
    "\n"
    "# The defined Protocols are:\n"
    "#\n"
    "# Name         | Definition\n"
    "# -------------+-------------------------------------------\n"
    "# x75          | base=x75 blocksize=1500 addr_a=3 addr_b=1 modulo=8 windowsize=7\n"
    "# hdlc         | base=hdlc blocksize=1500 addr_a=0 addr_b=0 modulo=0 windowsize=0\n"
    "# ppp          | base=ppp\n"
    "# x75_1        | base=x75 blocksize=2048 addr_a=3 addr_b=1 modulo=8 windowsize=2\n"
    "#\n"
    "\n"
    "Line_Targets:\n"
    "\n"
    "# M = Only Manual   B = B-Chanal Bundling   C = Compression  (1 = On / 0 = Off)\n"
    "#\n"
    "#Example:\n"
    "#124.50.16.101       011223344            x75         null        20    0 1 0 alba/seno       "
    "               alba/seno                     \n"
    "#\n"
    "#Hostname            Phone Number         Proto2      Proto3      Time  M B C Sender Password "
    "               Receiver Password             \n"
    "gw.example           0301234              x75         null        20    0 1 0 alba/seno       "
    "                                             \n"
    "124.50.16.101        4711s                hdlc        t70nl       0     1 0 1 a/b             "
    "               c/d                           \n"
    "10.0.0.9             5                    ppp         ppp         120   0 0 0                 "
    "                                             \n"
    "10.0.0.10            0891                 x75_1       null        30    1 1 1 me/x            "
    "               you/y                         \n"
    "\n"
    "\n"
    "Routing_Data:\n"
    "\n"
    "#Example:\n"
    "#255.255.255.0  124.50.16.0     124.50.16.101       \n"
    "#\n"
    "#Netmask        Match           Gateway             \n"
    "255.255.255.0   124.50.16.0     124.50.16.101       \n"
    "0.0.0.0         0.0.0.0         gw.example          \n"
    "\n"
    "\n"
    "Filter_Data:\n"
    "\n"
    "# Action = 1 -> accept          Action = 0 -> reject\n"
    "#\n"
    "#Example:\n"
    "#0.0.0.0        0.0.0.0         255.255.255.0   124.50.16.0     ftp        0\n"
    "#\n"
    "#Send Netmask   Send Match      Receive Netmask Receive Match   Service    Action\n"
    "255.255.255.0   124.50.16.0     0.0.0.0         0.0.0.0         all          1\n"
    "0.0.0.0         0.0.0.0         255.255.255.255 124.50.16.101   ftp          0\n"
    "255.0.0.0       10.0.0.0        0.0.0.0         0.0.0.0         53/tcp       1\n"
    "0.0.0.0         0.0.0.0         255.255.0.0     10.1.0.0        22/tcp       0\n"
    "\n"
    "# The Following Entry is the Default for all other Connections.\n"
    "# Please change only the Action Field.\n"
    "\n"
    "0.0.0.0         0.0.0.0         0.0.0.0         0.0.0.0         all          1\n";

LineTarget Target(const char* host, const char* phone, int layer2, int layer3, int timeout, int m,
                  int b, int c, const char* remote, const char* local,
                  const ProtocolTables& tables) {
  LineTarget target;
  target.hostName = host;
  target.phoneNumber = phone;
  target.layer2Protocol = layer2;
  target.layer2Base = layer2 >= 0 ? tables.Layer2At(layer2)->base : kLayer2BaseX75;
  target.layer3Protocol = layer3;
  target.layer3Type = layer3 >= 0 ? tables.Layer3At(layer3)->type : 0;
  target.timeout = timeout;
  target.manualOnly = m;
  target.channelBundling = b;
  target.compression = c;
  target.remoteIdentification = remote;
  target.localIdentification = local;
  return target;
}

class ConfigWriterTest : public ::testing::Test {
 protected:
  ConfigWriterTest() {
    tables.AppendLayer2({"x75_1", kLayer2BaseX75, 0, {2048, 3, 1, 8, 2}});
    router.name = "router1.example";
    router.netmask = "255.255.255.0";
    router.phoneNumber = "030123456";
    router.dChannelProtocol = 1;
    router.firmwareVersion = "2.31";
  }

  void FillSample() {
    configuration.lineTargets.Append(
        Target("gw.example", "0301234", 0, 0, 20, 0, 1, 0, "alba/seno", "", tables));
    configuration.lineTargets.Append(
        Target("124.50.16.101", "4711s", 1, 1, 0, 1, 0, 1, "a/b", "c/d", tables));
    configuration.lineTargets.Append(Target("10.0.0.9", "5", 2, 2, 120, 0, 0, 0, "", "", tables));
    configuration.lineTargets.Append(
        Target("10.0.0.10", "0891", 3, 0, 30, 1, 1, 1, "me/x", "you/y", tables));
    configuration.lineTargets.Append(
        Target("10.0.0.11", "0892", kNoProtocol, 0, 20, 0, 0, 0, "", "", tables));
    configuration.routes.Append(SampleRoute("255.255.255.0", "124.50.16.0", "124.50.16.101"));
    configuration.routes.Append(SampleRoute("0.0.0.0", "0.0.0.0", "gw.example"));
    configuration.filters.Append(
        SampleFilter("255.255.255.0", "124.50.16.0", "0.0.0.0", "0.0.0.0", 0, 0, 1));
    configuration.filters.Append(
        SampleFilter("0.0.0.0", "0.0.0.0", "255.255.255.255", "124.50.16.101", 6, 21, 0));
    configuration.filters.Append(
        SampleFilter("255.0.0.0", "10.0.0.0", "0.0.0.0", "0.0.0.0", 6, 53, 1));
    configuration.filters.Append(
        SampleFilter("0.0.0.0", "0.0.0.0", "255.255.0.0", "10.1.0.0", 6, 22, 0));
    configuration.filters.Append(DefaultFilterAccept());
  }

  std::string Format() {
    return FormatConfigFile(configuration.lineTargets, configuration.routes, configuration.filters,
                            router, context);
  }

  auto Write(const std::string& path) {
    return WriteConfigFile(path, configuration.lineTargets, configuration.routes,
                           configuration.filters, router, context);
  }

  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};
  RouterParameters router;
  Configuration configuration;
};

TEST_F(ConfigWriterTest, SampleConfigurationMatchesGoldenFile) {
  FillSample();
  EXPECT_EQ(Format(), kGoldenFile);
  EXPECT_EQ(database.hostLookups, 0);
  EXPECT_EQ(database.reverseLookups, 0);
}

TEST_F(ConfigWriterTest, UndefinedLayer2TargetIsLeftOutButRoutesAndFiltersStay) {
  FillSample();
  const std::string text = Format();
  EXPECT_EQ(text.find("10.0.0.11"), std::string::npos);
  EXPECT_NE(text.find("\n0.0.0.0         0.0.0.0         gw.example          \n"),
            std::string::npos);
  EXPECT_NE(text.find("22/tcp"), std::string::npos);
}

TEST_F(ConfigWriterTest, EmptyListsStillWriteExamplesAndHeadings) {
  const std::string text = Format();
  EXPECT_NE(text.find("#Hostname            Phone Number         Proto2      Proto3      Time  M B "
                      "C Sender Password                Receiver Password             \n"
                      "\n\nRouting_Data:\n\n#Example:\n"),
            std::string::npos);
  EXPECT_NE(text.find("#\n#Netmask        Match           Gateway             \n"
                      "\n\nFilter_Data:\n\n"),
            std::string::npos);
  const std::string tail =
      "#0.0.0.0        0.0.0.0         255.255.255.0   124.50.16.0     ftp        0\n#\n"
      "#Send Netmask   Send Match      Receive Netmask Receive Match   Service    Action\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  EXPECT_EQ(text.find("Default for all"), std::string::npos);
}

TEST_F(ConfigWriterTest, SingleFilterGetsTheDefaultCommentBeforeIt) {
  configuration.filters.Append(DefaultFilterReject());
  const std::string text = Format();
  const std::string tail =
      "Action\n"
      "\n# The Following Entry is the Default for all other Connections.\n"
      "# Please change only the Action Field.\n\n"
      "0.0.0.0         0.0.0.0         0.0.0.0         0.0.0.0         all          0\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(ConfigWriterTest, LongHostNamePushesTheFollowingColumns) {
  configuration.lineTargets.Append(
      Target("a-rather-long-host.example.net", "123", 0, 0, 20, 0, 0, 0, "x/y", "", tables));
  // x/y padded to 30, a blank, and the empty local identification padded to 30.
  const std::string line =
      "\na-rather-long-host.example.net 123                  x75         "
      "null        20    0 0 0 x/y" +
      std::string(27 + 1 + 30, ' ') + "\n";
  EXPECT_NE(Format().find(line), std::string::npos);
}

struct FirmwareCase {
  const char* version;
  int dChannel;
  int permanent;
  const char* line;  // empty: no firmware line
};

// Names the case in the test's name instead of a dump of its bytes.
void PrintTo(const FirmwareCase& c, std::ostream* os) {
  *os << "version \"" << c.version << "\" dChannel " << c.dChannel << " permanent " << c.permanent;
}

class FirmwareLineTest : public ConfigWriterTest,
                         public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareLineTest, ChosenByVersionProtocolAndMode) {
  const FirmwareCase& c = GetParam();
  router.firmwareVersion = c.version;
  router.dChannelProtocol = static_cast<std::uint8_t>(c.dChannel);
  router.permanentConnection = static_cast<std::uint8_t>(c.permanent);
  const std::string text = Format();
  const std::string before = "# Router Telephone Number : 030123456\n";
  const std::size_t at = text.find(before);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(text.substr(at + before.size(), std::string(c.line).size() + 3),
            std::string(c.line) + "#\n\n");
}

INSTANTIATE_TEST_SUITE_P(
    Variants, FirmwareLineTest,
    ::testing::Values(
        FirmwareCase{"", 1, 2, "# Firmware                : ? / ?\n"},
        FirmwareCase{"", 0, 9, "# Firmware                : ? / ?\n"},
        FirmwareCase{"2.31", 0, 0, "# Firmware                : 2.31 / 1TR6\n"},
        FirmwareCase{"2.31", 7, 0, "# Firmware                : 2.31 / DSS1\n"},
        FirmwareCase{"2.31", 1, 1, "# Firmware                : 2.31 / DSS1 / Digital FV64S\n"},
        FirmwareCase{"2.31", 0, 2, "# Firmware                : 2.31 / 1TR6 / Digital FVS01\n"},
        FirmwareCase{"2.31", 1, 3, "# Firmware                : 2.31 / DSS1 / Digital FVS02\n"},
        FirmwareCase{"2.31", 1, 4, ""}, FirmwareCase{"2.31", 0, 255, ""}));

// --- service texts ---

class ServiceTextTest : public ::testing::Test {
 protected:
  std::string Text(int protocol, int port) {
    FilterEntry filter = DefaultFilterAccept();
    filter.protocol = protocol;
    filter.port = port;
    return FilterServiceText(filter, database);
  }
  FakeNetDatabase database;
};

TEST_F(ServiceTextTest, AllForPortAndProtocolZero) {
  EXPECT_EQ(Text(0, 0), "all");
}

TEST_F(ServiceTextTest, NameWhenItStandsForOneProtocolOnly) {
  EXPECT_EQ(Text(6, 21), "ftp");
  EXPECT_EQ(Text(17, 69), "tftp");
}

TEST_F(ServiceTextTest, PortAndProtocolWhenTheNameExistsForTheOtherProtocolToo) {
  EXPECT_EQ(Text(6, 53), "53/tcp");
  EXPECT_EQ(Text(17, 53), "53/udp");
  database.AddService("ftp", 21, "udp");
  EXPECT_EQ(Text(6, 21), "21/tcp");
}

TEST_F(ServiceTextTest, PortAndProtocolWhenNoServiceIsRegistered) {
  EXPECT_EQ(Text(6, 22), "22/tcp");
  EXPECT_EQ(Text(6, 0), "0/tcp");
  EXPECT_EQ(Text(0, 7), "7/ip");
  EXPECT_EQ(Text(1, 0), "0/icmp");
}

TEST_F(ServiceTextTest, UnknownProtocolNumberIsWrittenInDecimal) {
  EXPECT_EQ(Text(99, 21), "21/99");
}

// --- writing the file ---

TEST_F(ConfigWriterTest, WriteConfigFileWritesTheFormattedTextAndNothingElse) {
  ScratchDirectory dir;
  FillSample();
  ASSERT_TRUE(Write(dir.File("router.cfg")));
  EXPECT_EQ(ReadText(dir.File("router.cfg")), kGoldenFile);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"router.cfg"});
}

TEST_F(ConfigWriterTest, WriteConfigFileReplacesAnExistingFileAndKeepsItsMode) {
  ScratchDirectory dir;
  const std::string path = dir.File("router.cfg");
  WriteText(path, std::string(100000, 'x'));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  FillSample();
  ASSERT_TRUE(Write(path));
  EXPECT_EQ(ReadText(path), kGoldenFile);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"router.cfg"});
}

TEST_F(ConfigWriterTest, WriteConfigFileFailsForAMissingDirectory) {
  ScratchDirectory dir;
  EXPECT_FALSE(Write(dir.File("missing/router.cfg")));
  EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(ConfigWriterTest, WriteConfigFileFailsWhenAPathPartIsAFile) {
  ScratchDirectory dir;
  WriteText(dir.File("plain"), "keep");
  EXPECT_FALSE(Write(dir.File("plain/router.cfg")));
  EXPECT_EQ(ReadText(dir.File("plain")), "keep");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"plain"});
}

TEST_F(ConfigWriterTest, WriteConfigFileNeverReplacesADirectory) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.File("router.cfg"));
  WriteText(dir.File("router.cfg/inside"), "keep");
  EXPECT_FALSE(Write(dir.File("router.cfg")));
  EXPECT_EQ(ReadText(dir.File("router.cfg/inside")), "keep");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"router.cfg"});
}

TEST_F(ConfigWriterTest, WriteConfigFileInANonWritableDirectoryKeepsTheOldFile) {
  if (::geteuid() == 0)
    GTEST_SKIP() << "directory permissions do not bind root";
  ScratchDirectory dir;
  const std::string path = dir.File("router.cfg");
  WriteText(path, "old contents\n");
  ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
  FillSample();
  EXPECT_FALSE(Write(path));
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  EXPECT_EQ(ReadText(path), "old contents\n");
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"router.cfg"});
}

TEST_F(ConfigWriterTest, WriteConfigFileOnAReadOnlyFileSystemKeepsTheOldFile) {
  // /proc refuses new files even to root.
  const std::string path = "/proc/version";
  const std::string before = ReadText(path);
  if (before.empty())
    GTEST_SKIP() << "no /proc";
  FillSample();
  EXPECT_FALSE(Write(path));
  EXPECT_EQ(ReadText(path), before);
}

// --- symbolic links and failure reasons ---

std::vector<std::string> SortedEntries(const ScratchDirectory& dir) {
  std::vector<std::string> names = dir.Entries();
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ConfigWriterTest, SavingOntoASymbolicLinkReplacesItsTargetAndKeepsTheLink) {
  ScratchDirectory dir;
  const std::string real = dir.File("real.cfg");
  WriteText(real, "old contents\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real.cfg", dir.File("link.cfg").c_str()), 0);
  FillSample();
  ASSERT_TRUE(Write(dir.File("link.cfg")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.cfg")));
  EXPECT_EQ(std::filesystem::read_symlink(dir.File("link.cfg")), "real.cfg");
  EXPECT_EQ(ReadText(real), kGoldenFile);
  struct stat info {};
  ASSERT_EQ(::stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(SortedEntries(dir), (std::vector<std::string>{"link.cfg", "real.cfg"}));
}

TEST_F(ConfigWriterTest, LinkChainsAndLinksIntoOtherDirectoriesAreFollowed) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.File("store"));
  const std::string real = dir.File("store/real.cfg");
  WriteText(real, "old\n");
  // first.cfg -> (absolute) store/middle.cfg -> (relative) real.cfg
  ASSERT_EQ(::symlink("real.cfg", dir.File("store/middle.cfg").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("store/middle.cfg").c_str(), dir.File("first.cfg").c_str()), 0);
  FillSample();
  ASSERT_TRUE(Write(dir.File("first.cfg")));
  EXPECT_EQ(ReadText(real), kGoldenFile);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("first.cfg")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("store/middle.cfg")));
  EXPECT_EQ(SortedEntries(dir), (std::vector<std::string>{"first.cfg", "store"}));
  std::vector<std::string> store;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("store")))
    store.push_back(entry.path().filename().string());
  std::sort(store.begin(), store.end());
  EXPECT_EQ(store, (std::vector<std::string>{"middle.cfg", "real.cfg"}));
}

TEST_F(ConfigWriterTest, DanglingLinkGetsItsTargetCreated) {
  ScratchDirectory dir;
  ASSERT_EQ(::symlink("new.cfg", dir.File("link.cfg").c_str()), 0);
  FillSample();
  ASSERT_TRUE(Write(dir.File("link.cfg")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.cfg")));
  EXPECT_EQ(ReadText(dir.File("new.cfg")), kGoldenFile);
}

TEST_F(ConfigWriterTest, FailureCarriesTheReason) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.File("folder.cfg"));
  WriteText(dir.File("plain"), "keep");
  ASSERT_EQ(::symlink("loop2.cfg", dir.File("loop1.cfg").c_str()), 0);
  ASSERT_EQ(::symlink("loop1.cfg", dir.File("loop2.cfg").c_str()), 0);
  ASSERT_EQ(::symlink("folder.cfg", dir.File("tofolder.cfg").c_str()), 0);
  struct Case {
    std::string path;
    int errorNumber;
  };
  for (const Case& c :
       {Case{dir.File("folder.cfg"), EISDIR}, Case{dir.File("tofolder.cfg"), EISDIR},
        Case{dir.File("missing/router.cfg"), ENOENT}, Case{dir.File("plain/router.cfg"), ENOTDIR},
        Case{dir.File("loop1.cfg"), ELOOP}}) {
    const ConfigWriteResult result = Write(c.path);
    EXPECT_FALSE(result) << c.path;
    EXPECT_EQ(result.errorNumber, c.errorNumber) << c.path;
    EXPECT_EQ(result.reason, std::strerror(c.errorNumber)) << c.path;
    EXPECT_EQ(ConfigWriteMessage(result),
              std::string("Writing file has failed!\n") + std::strerror(c.errorNumber))
        << c.path;
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.cfg")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("tofolder.cfg")));
  EXPECT_EQ(ReadText(dir.File("plain")), "keep");
}

TEST_F(ConfigWriterTest, SpecialFileIsNeverReplacedAndSaysSo) {
  const std::string path = "/dev/null";
  FillSample();
  const ConfigWriteResult result = Write(path);
  EXPECT_FALSE(result);
  EXPECT_EQ(result.reason, "Not a regular file");
  EXPECT_EQ(ConfigWriteMessage(result), "Writing file has failed!\nNot a regular file");
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

}  // namespace
}  // namespace tarcfg
