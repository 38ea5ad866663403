// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "config/config_file.h"
#include "config/field_checks.h"
#include "config/file_test_support.h"

namespace tarcfg {
namespace {

using testing::ReadText;
using testing::ScratchDirectory;
using testing::TraceCapture;
using testing::WriteText;

constexpr std::uint32_t kGatewayAddress = 0x0A000001;  // gw.example

const char* const kTarget = "gw.example 123 x75 null 20 0 0 0 a/b c/d\n";
const char* const kRoute = "255.255.255.0 124.50.16.0 gw.example\n";
const char* const kFilter = "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 ftp 1\n";

// A file with the three headings: line 1 "Line_Targets:", then the targets,
// the routes and the filters.
std::string File(const std::string& targets, const std::string& routes,
                 const std::string& filters) {
  return "Line_Targets:\n" + targets + "Routing_Data:\n" + routes + "Filter_Data:\n" + filters;
}

std::string Repeat(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i)
    text += line;
  return text;
}

class ConfigReaderTest : public ::testing::Test {
 protected:
  ConfigReaderTest() { database.AddHost("gw.example", kGatewayAddress); }

  ConfigReadResult Read(const std::string& text, int permanentConnection = 0) {
    WriteText(dir.File("input.cfg"), text);
    return ReadConfigFile(dir.File("input.cfg"), permanentConnection, context, configuration,
                          trace.file());
  }

  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  ConfigContext context{tables, addresses, database};
  Configuration configuration;
  ScratchDirectory dir;
  TraceCapture trace;
};

// --- field errors: one data line, its code and column ---

enum class Where { kTargets, kRoutes, kFilters };

struct FieldCase {
  Where where;
  const char* line;
  int code;
  int column;
};

// Names the case in the test's name instead of a dump of its bytes.
void PrintTo(const FieldCase& c, std::ostream* os) {
  static const char* const kTables[] = {"line target", "route", "filter"};
  *os << kTables[static_cast<int>(c.where)] << " \"" << c.line << "\" code " << c.code << " column "
      << c.column;
}

class FieldErrorTest : public ConfigReaderTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldErrorTest, GivesCodeLineAndColumn) {
  const FieldCase& c = GetParam();
  const std::string line = std::string(c.line) + "\n";
  std::string text;
  int lineNumber = 0;
  switch (c.where) {
    case Where::kTargets:
      text = File(line + kTarget, kRoute, kFilter);
      lineNumber = 2;
      break;
    case Where::kRoutes:
      text = File(kTarget, line + kRoute, kFilter);
      lineNumber = 4;
      break;
    case Where::kFilters:
      text = File(kTarget, kRoute, line + kFilter);
      lineNumber = 6;
      break;
  }
  ConfigReadResult result = Read(text);
  EXPECT_EQ(result.code, c.code) << c.line;
  EXPECT_EQ(result.line, lineNumber) << c.line;
  EXPECT_EQ(result.column, c.column) << c.line;
  EXPECT_TRUE(configuration.lineTargets.empty());
}

INSTANTIATE_TEST_SUITE_P(
    LineTargets, FieldErrorTest,
    ::testing::Values(
        FieldCase{Where::kTargets, "nohost 123 x75 null 20 0 0 0", 2, 1},
        FieldCase{Where::kTargets, "0.0.0.0 123 x75 null 20 0 0 0", 2, 1},
        FieldCase{Where::kTargets, "  gw.exampl 123 x75 null 20 0 0 0", 2, 3},
        FieldCase{Where::kTargets, "gw.example 12a x75 null 20 0 0 0", 3, 12},
        FieldCase{Where::kTargets, "gw.example 123456789012345678901 x75 null 20 0 0 0", 3, 12},
        FieldCase{Where::kTargets, "gw.example 12ss x75 null 20 0 0 0", 3, 12},
        FieldCase{Where::kTargets, "gw.example 1s2 x75 null 20 0 0 0", 3, 12},
        FieldCase{Where::kTargets, "gw.example 12sa x75 null 20 0 0 0", 3, 12},
        FieldCase{Where::kTargets, "gw.example", 3, 11},
        FieldCase{Where::kTargets, "gw.example 123 x76 null 20 0 0 0", 4, 16},
        FieldCase{Where::kTargets, "gw.example 123 x75_abcdefghi null 20 0 0 0", 4, 16},
        FieldCase{Where::kTargets, "gw.example 123 x75 foo 20 0 0 0", 4, 20},
        FieldCase{Where::kTargets, "gw.example 123 x75", 4, 19},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 3 0 0 0", 5, 25},
        FieldCase{Where::kTargets, "gw.example 123 x75 null -1 0 0 0", 5, 25},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 2x 0 0 0", 5, 25},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 0x 0 0 0", 5, 25},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 08 0 0 0", 5, 25},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 99999999999 0 0 0", 5, 25},
        FieldCase{Where::kTargets, "gw.example 123 x75 null", 5, 24},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 20 2 0 0", 6, 28},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 20", 6, 27},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 20 0 -1 0", 7, 30},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 20 0 0 01x", 8, 32},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 20 0 0 0 a/b/c", 9, 34},
        FieldCase{Where::kTargets,
                  "gw.example 123 x75 null 20 0 0 0 abcdefghijklmnopqrstuvwxyzabcdefghijklm", 9,
                  34},
        FieldCase{Where::kTargets,
                  "gw.example 123 x75 null 20 0 0 0 a/b abcdefghijklmnopqrst/vwxyzabcdefghijklmn",
                  9, 38},
        FieldCase{Where::kTargets, "gw.example 123 x75 null 20 0 0 0 a/b c/d extra", 10, 42}));

INSTANTIATE_TEST_SUITE_P(
    Routes, FieldErrorTest,
    ::testing::Values(FieldCase{Where::kRoutes, "255.255.256.0 124.50.16.0 gw.example", 11, 1},
                      FieldCase{Where::kRoutes, "mask.example 124.50.16.0 gw.example", 11, 1},
                      FieldCase{Where::kRoutes, "255.255.255.0 124.50.16.x gw.example", 12, 15},
                      FieldCase{Where::kRoutes, "255.255.255.0", 12, 14},
                      FieldCase{Where::kRoutes, "255.255.255.0 124.50.16.1 gw.example", 13, 1},
                      FieldCase{Where::kRoutes, "  255.255.255.0 124.50.16.1 gw.example", 13, 3},
                      FieldCase{Where::kRoutes, "255.255.255.0 124.50.16.0 0.0.0.0", 14, 27},
                      FieldCase{Where::kRoutes, "255.255.255.0 124.50.16.0 nohost", 14, 27},
                      FieldCase{Where::kRoutes, "255.255.255.0 124.50.16.0", 14, 26},
                      FieldCase{Where::kRoutes, "255.255.255.0 124.50.16.0 gw.example x", 10, 38}));

INSTANTIATE_TEST_SUITE_P(
    Filters, FieldErrorTest,
    ::testing::Values(
        FieldCase{Where::kFilters, "255.255.255.q 124.50.16.0 0.0.0.0 0.0.0.0 ftp 1", 11, 1},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.q 0.0.0.0 0.0.0.0 ftp 1", 12, 15},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.1 0.0.0.0 0.0.0.0 ftp 1", 13, 1},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.x 0.0.0.0 ftp 1", 11, 27},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0", 11, 26},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.q ftp 1", 12, 35},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0", 12, 34},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 255.0.0.0 10.0.0.1 ftp 1", 13, 27},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 21/foo 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 -1/tcp 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 65557/tcp 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 65536/udp 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 0x10000/tcp 1", 15,
                  43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 21 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 21/ 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 /tcp 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 ALL 1", 15, 43},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0", 15, 42},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 ftp 2", 16, 47},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 ftp", 16, 46},
        FieldCase{Where::kFilters, "255.255.255.0 124.50.16.0 0.0.0.0 0.0.0.0 ftp 1 x", 16, 49}));

TEST_F(ConfigReaderTest, HighestSixteenBitPortIsStored) {
  ASSERT_EQ(Read(File(kTarget, kRoute, "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 65535/tcp 1\n")).code,
            kConfigOk);
  EXPECT_EQ(configuration.filters.NodeAt(1)->port, 65535);
  EXPECT_EQ(configuration.filters.NodeAt(1)->protocol, 6);
}

TEST_F(ConfigReaderTest, MissingAddressTokensAreRefusedWithoutAnyLookUp) {
  EXPECT_EQ(Read(File(kTarget, "255.255.255.0\n", kFilter)).code, kConfigWrongCompareValue);
  EXPECT_EQ(Read(File(kTarget, "255.255.255.0 0.0.0.0\n", kFilter)).code, kConfigWrongGateway);
  EXPECT_EQ(Read(File(kTarget, kRoute, "0.0.0.0 0.0.0.0\n")).code, kConfigWrongMask);
  // Only gw.example of each line target and route was looked up.
  EXPECT_EQ(database.hostLookups, 3 + 1);
}

TEST_F(ConfigReaderTest, HostNameTraceLines) {
  const std::string longName(257, 'h');
  EXPECT_EQ(Read(File(longName + " 123 x75 null 20 0 0 0\n", "", "")).code, kConfigWrongAddress);
  EXPECT_EQ(Read(File("nohost 123 x75 null 20 0 0 0\n", "", "")).code, kConfigWrongAddress);
  EXPECT_EQ(trace.Text(),
            "Name zu lang!\n" + longName + "\n257\nIP-Adresse nicht aufgeloest!\nnohost\n0\n");
}

TEST_F(ConfigReaderTest, HostNameWithResolvingOffIsRefused) {
  addresses.SetNameResolve(false);
  ConfigReadResult result = Read(File(kTarget, "", ""));
  EXPECT_EQ(result.code, kConfigWrongAddress);
  EXPECT_EQ(database.hostLookups, 0);
  EXPECT_EQ(Read(File("10.0.0.1 123 x75 null 20 0 0 0\n", "", "")).code, kConfigOk);
}

// --- headings and file structure ---

TEST_F(ConfigReaderTest, CommentsAndEmptyLinesBeforeTheFirstHeadingAreSkipped) {
  ConfigReadResult result = Read(
      "# comment\n\n  \t\n   #indented comment\nLine_Targets: whatever follows\n"
      "Routing_Data:\nFilter_Data:\n");
  EXPECT_EQ(result.code, kConfigOk);
}

TEST_F(ConfigReaderTest, DataLineBeforeTheHeadingIsWrongLineFormatAtColumnOne) {
  ConfigReadResult result =
      Read("# comment\n   gw.example 123 x75 null 20 0 0 0\n" + File(kTarget, kRoute, kFilter));
  EXPECT_EQ(result.code, kConfigWrongLineFormat);
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 1);
}

TEST_F(ConfigReaderTest, HeadingsAreCaseSensitive) {
  ConfigReadResult result = Read("line_targets:\n");
  EXPECT_EQ(result.code, kConfigWrongLineFormat);
  EXPECT_EQ(result.line, 1);
  EXPECT_EQ(result.column, 1);
}

TEST_F(ConfigReaderTest, EndOfFileBeforeAHeadingIsWrongLineFormatAtColumnZero) {
  struct Case {
    std::string text;
    int line;
  };
  for (const Case& c :
       {Case{"", 0}, Case{"# only\n#comments\n", 2},
        Case{"Line_Targets:\n" + std::string(kTarget), 2},
        Case{"Line_Targets:\n" + std::string(kTarget) + "Routing_Data:\n" + kRoute + "\n# end\n",
             6}}) {
    ConfigReadResult result = Read(c.text);
    EXPECT_EQ(result.code, kConfigWrongLineFormat) << c.text;
    EXPECT_EQ(result.line, c.line) << c.text;
    EXPECT_EQ(result.column, 0) << c.text;
  }
}

TEST_F(ConfigReaderTest, LongCommentLineStaysOneCommentLine) {
  const std::string comment = "#" + std::string(5000, 'c') + "\n";
  ConfigReadResult result = Read(comment + File(kTarget, kRoute, comment + "bad"));
  EXPECT_EQ(result.code, kConfigWrongMask);
  EXPECT_EQ(result.line, 8);
}

TEST_F(ConfigReaderTest, CannotOpenGivesCode17WithTheSystemError) {
  ConfigReadResult result =
      ReadConfigFile(dir.File("missing.cfg"), 0, context, configuration, trace.file());
  EXPECT_EQ(result.code, kConfigCannotOpen);
  EXPECT_EQ(result.openErrno, ENOENT);
  EXPECT_EQ(ConfigReadMessage(result),
            std::string("Error! Cannot open file.\n") + std::strerror(ENOENT));

  result = ReadConfigFile(dir.path(), 0, context, configuration, trace.file());
  EXPECT_EQ(result.code, kConfigCannotOpen);
  EXPECT_EQ(result.openErrno, EISDIR);
}

// --- limits ---

TEST_F(ConfigReaderTest, ThirtyFirstLineTargetIsTooMany) {
  EXPECT_EQ(Read(File(Repeat(kTarget, 30), "", "")).code, kConfigOk);
  EXPECT_EQ(configuration.lineTargets.count(), 30);
  ConfigReadResult result = Read(File(Repeat(kTarget, 31), "", ""));
  EXPECT_EQ(result.code, kConfigTooManyEntries);
  EXPECT_EQ(result.line, 32);
  EXPECT_EQ(result.column, 0);
}

TEST_F(ConfigReaderTest, PermanentConnectionAllowsOneLineTarget) {
  ConfigReadResult result = Read(File(Repeat("gw.example 1 x75 null 20 0 0 0\n", 2), "", ""), 2);
  EXPECT_EQ(result.code, kConfigTooManyEntries);
  EXPECT_EQ(result.line, 3);
  EXPECT_EQ(result.column, 0);
  EXPECT_EQ(Read(File("gw.example 7 x75 null 20 0 0 0\n", "", ""), 2).code, kConfigOk);
}

TEST_F(ConfigReaderTest, PermanentConnectionOneWantsPhoneZeroOrOne) {
  EXPECT_EQ(Read(File("gw.example 1 x75 null 20 0 0 0\n", "", ""), 1).code, kConfigOk);
  EXPECT_EQ(Read(File("gw.example 0 x75 null 20 0 0 0\n", "", ""), 1).code, kConfigOk);
  ConfigReadResult result = Read(File("gw.example 01 x75 null 20 0 0 0\n", "", ""), 1);
  EXPECT_EQ(result.code, kConfigWrongPhone);
  EXPECT_EQ(result.column, 12);
}

TEST_F(ConfigReaderTest, SixtyFifthRouteIsTooMany) {
  EXPECT_EQ(Read(File("", Repeat(kRoute, 64), "")).code, kConfigOk);
  EXPECT_EQ(configuration.routes.count(), 64);
  ConfigReadResult result = Read(File("", Repeat(kRoute, 65), ""));
  EXPECT_EQ(result.code, kConfigTooManyEntries);
  EXPECT_EQ(result.line, 67);
  EXPECT_EQ(result.column, 0);
}

TEST_F(ConfigReaderTest, SixtyFourthFilterMustBeADefaultEntry) {
  const std::string reject = "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\n";
  ASSERT_EQ(Read(File("", "", Repeat(kFilter, 63) + reject)).code, kConfigOk);
  EXPECT_EQ(configuration.filters.count(), 64);
  EXPECT_TRUE(SameFilter(*configuration.filters.Last(), DefaultFilterReject()));

  ConfigReadResult result = Read(File("", "", Repeat(kFilter, 64)));
  EXPECT_EQ(result.code, kConfigTooManyEntries);
  EXPECT_EQ(result.line, 67);
  EXPECT_EQ(result.column, 0);

  result = Read(File("", "", Repeat(kFilter, 63) + reject + reject));
  EXPECT_EQ(result.code, kConfigTooManyEntries);
  EXPECT_EQ(result.line, 68);
}

// --- what is stored ---

TEST_F(ConfigReaderTest, LineTargetFieldsAreStored) {
  ConfigReadResult result =
      Read(File("gw.example 0301234s HDLC T70NL 0x10 1 0 1 name other/pw\n"
                "10.0.0.9 5 ppp PPP 0 0 1 0\n"
                "10.0.0.10 6 x75 null 010 0 0 0 abcdefghijklmnopqrstuvwxyzabcdefghijkl/\n",
                "", ""));
  ASSERT_EQ(result.code, kConfigOk);
  ASSERT_EQ(configuration.lineTargets.count(), 3);
  const LineTarget& first = *configuration.lineTargets.NodeAt(1);
  EXPECT_EQ(first.hostName, "gw.example");
  EXPECT_EQ(first.phoneNumber, "0301234s");
  EXPECT_EQ(first.layer2Protocol, 1);
  EXPECT_EQ(first.layer2Base, kLayer2BaseHdlc);
  EXPECT_EQ(first.layer3Protocol, 1);
  EXPECT_EQ(first.layer3Type, kLayer3TypeT70nl);
  EXPECT_EQ(first.timeout, 16);
  EXPECT_EQ(first.manualOnly, 1);
  EXPECT_EQ(first.channelBundling, 0);
  EXPECT_EQ(first.compression, 1);
  EXPECT_EQ(first.remoteIdentification, "name/");  // a name without password
  EXPECT_EQ(first.localIdentification, "other/pw");
  EXPECT_EQ(first.layer2Parameters, Layer2Parameters{});
  EXPECT_EQ(first.tablePosition, 0);
  const LineTarget& second = *configuration.lineTargets.NodeAt(2);
  EXPECT_EQ(second.layer2Base, kLayer2BasePpp);
  EXPECT_EQ(second.layer3Type, kLayer3TypePpp);
  EXPECT_EQ(second.timeout, 0);
  EXPECT_TRUE(second.remoteIdentification.empty());
  EXPECT_TRUE(second.localIdentification.empty());
  const LineTarget& third = *configuration.lineTargets.NodeAt(3);
  EXPECT_EQ(third.timeout, 8);
  EXPECT_EQ(third.remoteIdentification.size(), 39u);
}

TEST_F(ConfigReaderTest, TimeoutsAcceptedAndRefused) {
  // The router keeps the time-out in 16 bits: more is refused, not cut.
  for (const char* value : {"0", "5", "0x10", "+7", "65535", "0xffff"}) {
    EXPECT_EQ(Read(File("gw.example 1 x75 null " + std::string(value) + " 0 0 0\n", "", "")).code,
              kConfigOk)
        << value;
  }
  for (const char* value : {"1", "4", "-5", "5.0", "65536", "65541", "2147483647", "2147483648"}) {
    EXPECT_EQ(Read(File("gw.example 1 x75 null " + std::string(value) + " 0 0 0\n", "", "")).code,
              kConfigWrongTimeout)
        << value;
  }
}

TEST_F(ConfigReaderTest, ServicesGivePortAndProtocol) {
  struct Case {
    const char* service;
    int port;
    int protocol;
  };
  for (const Case& c :
       {Case{"all", 0, 0}, Case{"ftp", 21, 6}, Case{"tftp", 69, 17}, Case{"21/tcp", 21, 6},
        Case{"0x15/udp", 21, 17}, Case{"010/icmp", 8, 1}, Case{"0/tcp", 0, 6}}) {
    ASSERT_EQ(
        Read(File("", "", "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 " + std::string(c.service) + " 0\n"))
            .code,
        kConfigOk)
        << c.service;
    const FilterEntry& filter = *configuration.filters.NodeAt(1);
    EXPECT_EQ(filter.port, c.port) << c.service;
    EXPECT_EQ(filter.protocol, c.protocol) << c.service;
  }
}

TEST_F(ConfigReaderTest, DefaultFilterIsAppendedWhenMissing) {
  ASSERT_EQ(Read(File(kTarget, kRoute, "")).code, kConfigOk);
  ASSERT_EQ(configuration.filters.count(), 1);
  EXPECT_TRUE(SameFilter(*configuration.filters.Last(), DefaultFilterAccept()));
  EXPECT_EQ(configuration.filters.Last()->tablePosition, 0);

  ASSERT_EQ(Read(File(kTarget, kRoute, Repeat(kFilter, 2))).code, kConfigOk);
  ASSERT_EQ(configuration.filters.count(), 3);
  EXPECT_TRUE(SameFilter(*configuration.filters.Last(), DefaultFilterAccept()));
  EXPECT_EQ(configuration.filters.Last()->tablePosition, 2);
  EXPECT_EQ(configuration.filters.NodeAt(1)->tablePosition, 0);
}

TEST_F(ConfigReaderTest, RouteWithZeroMaskAndMatchIsAccepted) {
  ASSERT_EQ(Read(File("", "0.0.0.0 0.0.0.0 gw.example\n", "")).code, kConfigOk);
  const RouteEntry& route = *configuration.routes.NodeAt(1);
  EXPECT_EQ(route.netmask, "0.0.0.0");
  EXPECT_EQ(route.match, "0.0.0.0");
  EXPECT_EQ(route.gateway, "gw.example");
}

// --- the configuration changes only on success ---

TEST_F(ConfigReaderTest, FailedReadLeavesTheConfigurationAsItWas) {
  ASSERT_EQ(Read(File(Repeat(kTarget, 2), kRoute, kFilter)).code, kConfigOk);
  const Configuration before = configuration.Clone();
  for (const std::string& bad :
       {File(kTarget, kRoute, kFilter + std::string("0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 7\n")),
        File(kTarget, "255.255.255.0 124.50.16.1 gw.example\n", ""),
        "Line_Targets:\n" + std::string(kTarget) + "Routing_Data:\n",
        File(Repeat(kTarget, 31), "", "")}) {
    EXPECT_NE(Read(bad).code, kConfigOk);
    EXPECT_TRUE(configuration.lineTargets.SameAs(before.lineTargets));
    EXPECT_TRUE(configuration.routes.SameAs(before.routes));
    EXPECT_TRUE(configuration.filters.SameAs(before.filters));
    EXPECT_EQ(configuration.lineTargets.count(), 2);
  }
  EXPECT_EQ(Read(File("", "", "")).code, kConfigOk);
  EXPECT_TRUE(configuration.lineTargets.empty());
  EXPECT_TRUE(configuration.routes.empty());
  EXPECT_EQ(configuration.filters.count(), 1);
}

// --- line ends ---

TEST_F(ConfigReaderTest, CarriageReturnLineEndsAreAccepted) {
  const std::string text =
      "# comment\r\n\r\nLine_Targets:\r\n"
      "gw.example 123 x75 null 20 0 0 0 a/b c/d\r\n"
      "Routing_Data:\r\n255.255.255.0 124.50.16.0 gw.example\r\n"
      "Filter_Data:\r\n0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\r\n";
  ASSERT_EQ(Read(text).code, kConfigOk);
  ASSERT_EQ(configuration.lineTargets.count(), 1);
  EXPECT_EQ(configuration.lineTargets.NodeAt(1)->localIdentification, "c/d");
  EXPECT_EQ(configuration.routes.NodeAt(1)->gateway, "gw.example");
  ASSERT_EQ(configuration.filters.count(), 1);
  EXPECT_EQ(configuration.filters.NodeAt(1)->action, 0);
}

TEST_F(ConfigReaderTest, CarriageReturnIsNeverPartOfATokenOrAColumn) {
  ConfigReadResult result = Read("Line_Targets:\r\ngw.example\r\n");
  EXPECT_EQ(result.code, kConfigWrongPhone);
  EXPECT_EQ(result.line, 2);
  EXPECT_EQ(result.column, 11);

  // The last line of a file may end in a bare CR.
  ASSERT_EQ(Read("Line_Targets:\r\nRouting_Data:\r\nFilter_Data:\r\n"
                 "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\r")
                .code,
            kConfigOk);
  EXPECT_EQ(configuration.filters.count(), 1);
}

// --- messages ---

TEST(ConfigReadMessageTest, FieldErrorsNameLineColumnAndTheFault) {
  ConfigReadResult result;
  result.code = kConfigWrongProtocol;
  result.line = 7;
  result.column = 12;
  EXPECT_EQ(ConfigReadMessage(result), "Loading error in line 7, column 12.\nWrong protocol!");
  result.code = kConfigTooManyEntries;
  result.column = 0;
  EXPECT_EQ(ConfigReadMessage(result),
            "Loading error in line 7, column 0.\nThe list contains too many entries!");
  result.code = kConfigWrongAction;
  EXPECT_EQ(ConfigReadMessage(result),
            "Loading error in line 7, column 0.\nWrong action value! Correct values are 0 and 1.");
}

TEST(ConfigReadMessageTest, EveryFieldCodeHasItsOwnText) {
  for (int code = kConfigTooManyEntries; code <= kConfigWrongAction; ++code) {
    ConfigReadResult result;
    result.code = code;
    result.line = 1;
    result.column = 2;
    const std::string message = ConfigReadMessage(result);
    const std::string prefix = "Loading error in line 1, column 2.\n";
    ASSERT_GT(message.size(), prefix.size()) << code;
    EXPECT_EQ(message.substr(0, prefix.size()), prefix) << code;
  }
}

// The reader and the dialogs' phone field share one rule: whatever the
// Network Configuration dialog lets the user store also loads from a file.
TEST_F(ConfigReaderTest, PhoneNumbersFollowTheDialogRule) {
  for (const char* phone : {"s", "0301234s", "01234567890123456789"}) {
    ASSERT_TRUE(IsValidPhoneNumber(phone)) << phone;
    ConfigReadResult result =
        Read(File("gw.example " + std::string(phone) + " x75 null 20 0 0 0\n", "", ""));
    ASSERT_EQ(result.code, kConfigOk) << phone;
    EXPECT_EQ(configuration.lineTargets.NodeAt(1)->phoneNumber, phone);
  }
  for (const char* phone : {"ss", "12s34", "+49301234", "012345678901234567890"}) {
    ASSERT_FALSE(IsValidPhoneNumber(phone)) << phone;
    ConfigReadResult result =
        Read(File("gw.example " + std::string(phone) + " x75 null 20 0 0 0\n", "", ""));
    EXPECT_EQ(result.code, kConfigWrongPhone) << phone;
    EXPECT_EQ(result.column, 12) << phone;
  }
}

// --- round trips through the writer ---

class RoundTripTest : public ConfigReaderTest {
 protected:
  RoundTripTest() {
    tables.AppendLayer2({"x75_1", kLayer2BaseX75, 0, {2048, 3, 1, 8, 2}});
    router.firmwareVersion = "2.31";
  }

  static LineTarget Target(const char* host, const char* phone, int layer2, int layer2Base,
                           int layer3, int layer3Type, int timeout, const char* remote,
                           const char* local) {
    LineTarget target;
    target.hostName = host;
    target.phoneNumber = phone;
    target.layer2Protocol = layer2;
    target.layer2Base = layer2Base;
    target.layer3Protocol = layer3;
    target.layer3Type = layer3Type;
    target.timeout = timeout;
    target.manualOnly = timeout % 2;
    target.channelBundling = 1;
    target.remoteIdentification = remote;
    target.localIdentification = local;
    return target;
  }

  static FilterEntry Filter(const char* mask, const char* match, int protocol, int port,
                            int action) {
    FilterEntry filter = DefaultFilterAccept();
    filter.receiveNetmask = mask;
    filter.receiveMatch = match;
    filter.protocol = protocol;
    filter.port = port;
    filter.action = action;
    return filter;
  }

  void Fill(Configuration& c) {
    c.lineTargets.Append(
        Target("gw.example", "0301234", 0, kLayer2BaseX75, 0, kLayer3TypeNull, 20, "a/b", ""));
    c.lineTargets.Append(
        Target("124.50.16.101", "4711s", 1, kLayer2BaseHdlc, 1, kLayer3TypeT70nl, 0, "r/", "c/d"));
    c.lineTargets.Append(
        Target("10.0.0.9", "5", 2, kLayer2BasePpp, 2, kLayer3TypePpp, 125, "x/y", "u/v"));
    c.lineTargets.Append(
        Target("10.0.0.10", "0891", 3, kLayer2BaseX75, 0, kLayer3TypeNull, 30, "", ""));
    c.routes.Append({"255.255.255.0", "124.50.16.0", "124.50.16.101"});
    c.routes.Append({"0.0.0.0", "0.0.0.0", "gw.example"});
    c.filters.Append(Filter("255.255.255.0", "124.50.16.0", 0, 0, 1));
    c.filters.Append(Filter("255.255.255.255", "124.50.16.101", 6, 21, 0));
    c.filters.Append(Filter("255.0.0.0", "10.0.0.0", 6, 53, 1));
    c.filters.Append(Filter("255.255.0.0", "10.1.0.0", 17, 53, 0));
    c.filters.Append(Filter("0.0.0.0", "0.0.0.0", 6, 2222, 0));
    c.filters.Append(DefaultFilterReject());
  }

  bool Write(const Configuration& c, const std::string& path) {
    return static_cast<bool>(
        WriteConfigFile(path, c.lineTargets, c.routes, c.filters, router, context));
  }

  RouterParameters router;
};

TEST_F(RoundTripTest, WrittenFileReadsBackToEqualLists) {
  Configuration written;
  Fill(written);
  const std::string path = dir.File("round.cfg");
  ASSERT_TRUE(Write(written, path));
  ConfigReadResult result = ReadConfigFile(path, 0, context, configuration, trace.file());
  ASSERT_EQ(result.code, kConfigOk) << result.line << ":" << result.column;
  EXPECT_TRUE(configuration.lineTargets.SameAs(written.lineTargets));
  EXPECT_TRUE(configuration.routes.SameAs(written.routes));
  EXPECT_TRUE(configuration.filters.SameAs(written.filters));
  EXPECT_EQ(configuration.filters.count(), 6);
}

TEST_F(RoundTripTest, WrittenFileWithCarriageReturnsReadsBackToEqualLists) {
  Configuration written;
  Fill(written);
  std::string text =
      FormatConfigFile(written.lineTargets, written.routes, written.filters, router, context);
  std::string crlf;
  for (char c : text)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ASSERT_EQ(Read(crlf).code, kConfigOk);
  EXPECT_TRUE(configuration.lineTargets.SameAs(written.lineTargets));
  EXPECT_TRUE(configuration.routes.SameAs(written.routes));
  EXPECT_TRUE(configuration.filters.SameAs(written.filters));
}

TEST_F(RoundTripTest, LoneSPhoneNumberReadsBack) {
  Configuration written;
  written.lineTargets.Append(
      Target("gw.example", "s", 0, kLayer2BaseX75, 0, kLayer3TypeNull, 20, "a/b", ""));
  ASSERT_TRUE(Write(written, dir.File("s.cfg")));
  ConfigReadResult result =
      ReadConfigFile(dir.File("s.cfg"), 0, context, configuration, trace.file());
  ASSERT_EQ(result.code, kConfigOk) << result.line << ":" << result.column;
  EXPECT_TRUE(configuration.lineTargets.SameAs(written.lineTargets));
}

TEST_F(RoundTripTest, EmptyPhoneNumberDoesNotReadBack) {
  Configuration written;
  written.lineTargets.Append(
      Target("gw.example", "", 0, kLayer2BaseX75, 0, kLayer3TypeNull, 20, "", ""));
  ASSERT_TRUE(Write(written, dir.File("empty.cfg")));
  ConfigReadResult result =
      ReadConfigFile(dir.File("empty.cfg"), 0, context, configuration, trace.file());
  EXPECT_EQ(result.code, kConfigWrongPhone);
  EXPECT_EQ(result.column, 43);  // the layer-2 name, taken as the phone number
}

TEST_F(RoundTripTest, MissingLayer3ReferenceIsRefusedAsWrongProtocol) {
  Configuration written;
  written.lineTargets.Append(
      Target("gw.example", "123", 0, kLayer2BaseX75, kNoProtocol, 0, 20, "", ""));
  ASSERT_TRUE(Write(written, dir.File("nolayer3.cfg")));
  ConfigReadResult result =
      ReadConfigFile(dir.File("nolayer3.cfg"), 0, context, configuration, trace.file());
  EXPECT_EQ(result.code, kConfigWrongProtocol);
  EXPECT_EQ(result.column, 22 + 21 + 12);
}

TEST_F(RoundTripTest, UnknownProtocolNumberIsRefusedAsWrongService) {
  Configuration written;
  written.filters.Append(Filter("0.0.0.0", "0.0.0.0", 99, 21, 1));
  ASSERT_TRUE(Write(written, dir.File("proto.cfg")));
  ConfigReadResult result =
      ReadConfigFile(dir.File("proto.cfg"), 0, context, configuration, trace.file());
  EXPECT_EQ(result.code, kConfigWrongService);
  EXPECT_EQ(result.column, 4 * 16 + 1);
}

}  // namespace
}  // namespace tarcfg
