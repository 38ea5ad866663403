// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "config/firmware_files.h"
#include "config/reports.h"
#include "config/router_changes.h"

namespace tarcfg {
namespace {

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
  return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
         (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

TEST(RouterLineTest, HeldRoutersInParenthesesOthersPadded) {
  FakeNetDatabase db;
  AddressService addresses(db);
  addresses.SetNameResolve(false);
  const std::array<std::uint8_t, 6> hw{0x00, 0x60, 0x1d, 0x01, 0x02, 0xab};
  const std::uint32_t own = Ip(198, 51, 100, 1);
  EXPECT_EQ(FormatRouterLine(addresses, Ip(198, 51, 100, 10), hw, 0, own),
            " 00-60-1d-01-02-ab\t198.51.100.10 ");
  EXPECT_EQ(FormatRouterLine(addresses, Ip(198, 51, 100, 10), hw, own, own),
            " 00-60-1d-01-02-ab\t198.51.100.10 ");
  EXPECT_EQ(FormatRouterLine(addresses, Ip(198, 51, 100, 10), hw, Ip(198, 51, 100, 2), own),
            "(00-60-1d-01-02-ab\t198.51.100.10)");
  EXPECT_EQ(FormatRouterLine(addresses, 0, hw, 0, own), " 00-60-1d-01-02-ab\t--------- ");
}

TEST(RouterLineTest, HardwareAddressRoundTrip) {
  std::array<std::uint8_t, 6> hw{};
  ASSERT_TRUE(ParseHardwareAddress("00-60-1D-01-02-ab", &hw));
  EXPECT_EQ(FormatHardwareAddress(hw), "00-60-1d-01-02-ab");
  EXPECT_TRUE(ParseHardwareAddress("00:60:1d:01:02:ab", &hw));
  EXPECT_FALSE(ParseHardwareAddress("00-60-1d-01-02", &hw));
  EXPECT_FALSE(ParseHardwareAddress("00-60-1d-01-02-xg", &hw));
  EXPECT_FALSE(ParseHardwareAddress("198.51.100.10", &hw));
}

TEST(ReportTextTest, FirmwareAndChannelTexts) {
  EXPECT_EQ(FirmwareText("", 1, 2), "? / ?");
  EXPECT_EQ(FirmwareText("2.10", 1, 0), "2.10 / DSS1");
  EXPECT_EQ(FirmwareText("2.10", 0, 2), "2.10 / 1TR6 / Digital FVS01");
  EXPECT_EQ(OverviewChannelText(3, "10.0.0.1", "alba"), "Connected -> 10.0.0.1 (alba)");
  EXPECT_EQ(OverviewChannelText(2, "10.0.0.1", "alba"),
            "Establishing connection -> 10.0.0.1 (alba)");
  EXPECT_EQ(OverviewChannelText(5, "a", "b"), "Closing connection -> a (b)");
  EXPECT_EQ(OverviewChannelText(0, "a", "b"), "Not connected");
  EXPECT_EQ(OverviewChannelText(7, "a", "b"), "Not connected");
}

TEST(ReportTextTest, AccountingBlockOrder) {
  LineTarget t;
  t.hostName = "10.0.0.5";
  t.phoneNumber = "0301234";
  t.accountingCounters = {9, 2, 3, 40, 50, 600, 7000};
  EXPECT_EQ(
      AccountingBlock(t),
      "Host name:\t10.0.0.5\r\nPhone number.:\t0301234\r\n\r\nCalls\r\nincoming: 3\toutgoing: "
      "2\r\nPackets\r\nincoming: 50\toutgoing: 40\r\nBytes\r\nincoming: 7000\toutgoing: "
      "600\r\nCharges: 9 Units\r\n\r\n");
}

// One CSV for the desktop tool's export and tarcfg-cli: the header scripts
// read, the counters in the order of the header, the line end asked for.
TEST(ReportTextTest, AccountingCsvHeaderAndRows) {
  LineTargetList targets = NewLineTargetList();
  LineTarget t;
  t.hostName = "10.0.0.5";
  t.phoneNumber = "0301234";
  t.accountingCounters = {9, 2, 3, 40, 50, 600, 7000};
  targets.Append(t);
  const std::string header =
      "hostName,phoneNumber,charges,callsOutgoing,callsIncoming,packetsOutgoing,packetsIncoming,"
      "bytesOutgoing,bytesIncoming";
  EXPECT_EQ(AccountingCsv(targets), header + "\r\n10.0.0.5,0301234,9,2,3,40,50,600,7000\r\n");
  EXPECT_EQ(AccountingCsv(targets, "\n"), header + "\n10.0.0.5,0301234,9,2,3,40,50,600,7000\n");
}

TEST(FileNameTest, RememberedNameFitsTheFileSystem) {
  EXPECT_EQ(RememberedFileName("192.168.1.2", 255), "192_168_1_2.cfg");
  EXPECT_EQ(RememberedFileName("192.168.1.2", 12), "192_168_.cfg");
  EXPECT_GE(MaxFileNameLength("/tmp"), 12);
}

TEST(ChangeKindTest, FirmwareFirstThenPasswordAndParameters) {
  RouterParameters a;
  a.name = "10.0.0.1";
  a.firmwareVersion = "2.10";
  RouterParameters b = a;
  EXPECT_EQ(CompareRouterParameters(a, b), kNoChange);
  b.phoneNumber = "1234";
  EXPECT_EQ(CompareRouterParameters(a, b), kParameterChange);
  b.password = "x";
  EXPECT_EQ(CompareRouterParameters(a, b), kPasswordAndParameterChange);
  b = a;
  b.exclusiveToThisHost = 1;
  EXPECT_EQ(CompareRouterParameters(a, b), kPasswordChange);
  b.dChannelProtocol = 1;
  EXPECT_EQ(CompareRouterParameters(a, b), kFirmwareChange);
  b = a;
  b.name = "10.0.0.2";
  b.permanentConnection = 3;
  EXPECT_EQ(CompareRouterParameters(a, b), kFirmwareChange);
}

TEST(FirmwareFilesTest, NewestFirstDirectoriesSkipped) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tarcfg_fw_files" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "fw_dss1.x");
  std::ofstream(dir / "fw_dss1.120") << "old";
  std::ofstream(dir / "fw_dss1.140") << "new";
  std::ofstream(dir / "fw_1tr6.9") << "t";
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(dir / "fw_dss1.120", now - std::chrono::hours(2));
  fs::last_write_time(dir / "fw_dss1.140", now - std::chrono::hours(1));
  const auto list = ListFirmwareFiles(dir.string(), "fw_dss1.");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].version, "140");
  EXPECT_EQ(list[1].version, "120");
  EXPECT_EQ(NewestFirmwareVersion(dir.string(), 1), "140");
  EXPECT_EQ(NewestFirmwareVersion(dir.string(), 0), "9");
  EXPECT_EQ(NewestFirmwareVersion((dir / "none").string(), 0), "");
  fs::remove_all(dir);
}

// What a spreadsheet would run as a formula is quoted with a leading single
// quote; numbers, plain texts and the quoting of separators stay as before.
TEST(CsvCellTest, FormulaStartsAreDefused) {
  EXPECT_EQ(CsvCell("=HYPERLINK(\"http://x\")"), "\"'=HYPERLINK(\"\"http://x\"\")\"");
  EXPECT_EQ(CsvCell("+1+cmd|' /C calc'!A0"), "\"'+1+cmd|' /C calc'!A0\"");
  EXPECT_EQ(CsvCell("-2+3"), "\"'-2+3\"");
  EXPECT_EQ(CsvCell("@SUM(A1:A2)"), "\"'@SUM(A1:A2)\"");
  EXPECT_EQ(CsvCell("\t=1"), "\"'\t=1\"");
  EXPECT_EQ(CsvCell("\r=1"), "\"'\r=1\"");
  EXPECT_EQ(CsvCell("=a,b"), "\"'=a,b\"");
  EXPECT_EQ(CsvCell("-"), "\"'-\"");
  EXPECT_EQ(CsvCell("-1."), "\"'-1.\"");
}

TEST(CsvCellTest, NumbersAndPlainTextsStayAsTheyAre) {
  for (const char* same :
       {"", "0301234", "-5", "+49301234", "-12.5", "gw.example", "a=b", "x-1", "0301234s"})
    EXPECT_EQ(CsvCell(same), same) << same;
  EXPECT_EQ(CsvCell("host,one"), "\"host,one\"");
  EXPECT_EQ(CsvCell("0\"1"), "\"0\"\"1\"");
  EXPECT_EQ(CsvCell("a\rb"), "\"a\rb\"");
  EXPECT_EQ(CsvCell("a\nb"), "\"a\nb\"");
}

}  // namespace
}  // namespace tarcfg
