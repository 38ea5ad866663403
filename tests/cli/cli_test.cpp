// SPDX-License-Identifier: GPL-3.0-or-later
// Runs tarcfg-cli as a user would and checks its output and exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/run_command.h"

namespace {

namespace fs = std::filesystem;

using Result = tarcfg::testing::CommandResult;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tarcfg_cli_" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    Write("s.ini",
          "[Settings]\nIpAddress=10.0.0.1\nNetMask=255.0.0.0\nNameResolve=0\nFirmwarePath=" +
              dir.string() + "\n");
  }
  void TearDown() override { fs::remove_all(dir); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) { return tarcfg::testing::ReadWholeFile(dir / name); }

  Result Run(const std::string& arguments) {
    return tarcfg::testing::RunCommand("cd '" + dir.string() + "' && TARCFG_SETTINGS='" +
                                           (dir / "s.ini").string() + "' '" TARCFG_CLI "' " +
                                           arguments,
                                       dir / "stderr");
  }

  fs::path dir;
};

constexpr const char* kGoodFile =
    "# a hand-written file\r\n"
    "Line_Targets:\r\n"
    "10.0.0.5\t12345 X75_2 null 20 0 1 0 alba/seno\r\n"
    "10.0.0.6 0s hdlc t70nl 0 1 0 1\r\n"
    "Routing_Data:\r\n"
    "255.255.255.0 10.1.0.0 10.0.0.5\r\n"
    "Filter_Data:\r\n"
    "0.0.0.0 0.0.0.0 255.255.255.0 10.1.0.0 21/tcp 1\r\n";

TEST_F(CliTest, CheckReportsCountsWithDefinitionsFromTheFirmwareDirectory) {
  Write("tarcfg.pro", "# local variants\n2:x75_2 base=x75 windowsize=2\n");
  Write("good.cfg", kGoodFile);
  // An offline check repairs the net mask for itself and leaves the file alone.
  const std::string settings =
      "[Settings]\nIpAddress=10.0.0.1\nNetMask=bogus\nNameResolve=0\nFirmwarePath=" + dir.string() +
      "\n";
  Write("s.ini", settings);
  Result r = Run("check good.cfg");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2 line targets, 1 route, 2 filters\n");
  EXPECT_EQ(Read("s.ini"), settings);
}

TEST_F(CliTest, CheckWritesTheLoadedConfigurationThatLoadsAgain) {
  Write("tarcfg.pro", "2:x75_2 base=x75 windowsize=2\n");
  Write("good.cfg", kGoodFile);
  Result r = Run("check good.cfg -o out.cfg");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string written = Read("out.cfg");
  EXPECT_NE(written.find("10.0.0.5             12345                x75_2       null"),
            std::string::npos);
  EXPECT_EQ(written.find('\r'), std::string::npos);
  Result again = Run("check out.cfg -o -");
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, written);
  EXPECT_EQ(again.err, "2 line targets, 1 route, 2 filters\n");
}

TEST_F(CliTest, CheckFailureShowsTheDialogMessageAndExits3) {
  Write("bad.cfg", "Line_Targets:\n10.0.0.5 12x45 x75 null 20 0 1 0\n");
  Result r = Run("check bad.cfg");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err,
            "tarcfg-cli: bad.cfg: Loading error in line 2, column 10. Wrong telephone number!\n");
  EXPECT_TRUE(r.out.empty());

  Result missing = Run("check missing.cfg");
  EXPECT_EQ(missing.status, 3);
  EXPECT_EQ(missing.err, "tarcfg-cli: missing.cfg: cannot open file: No such file or directory\n");
}

TEST_F(CliTest, PermanentConnectionAllowsOneLineTarget) {
  Write("good.cfg",
        "Line_Targets:\n10.0.0.5 1 x75 null 20 0 1 0\n10.0.0.6 0 x75 null 20 0 1 0\n"
        "Routing_Data:\nFilter_Data:\n");
  EXPECT_EQ(Run("check good.cfg").status, 0);
  Result r = Run("check good.cfg --permanent 2");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err,
            "tarcfg-cli: good.cfg: Loading error in line 3, column 0. The list contains too many "
            "entries!\n");
}

TEST_F(CliTest, ProtocolsListsBothTables) {
  Write("tarcfg.pro", "2:fast2 base=x75 modulo=128 windowsize=127\n");
  Result r = Run("protocols");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "2:x75 base=x75 blocksize=1500 addr_a=3 addr_b=1 modulo=8 windowsize=7\n"
            "2:hdlc base=hdlc blocksize=1500 addr_a=0 addr_b=0 modulo=0 windowsize=0\n"
            "2:ppp base=ppp blocksize=0 addr_a=0 addr_b=0 modulo=0 windowsize=0\n"
            "2:fast2 base=x75 blocksize=1500 addr_a=3 addr_b=1 modulo=128 windowsize=127\n"
            "3:null type=4\n3:t70nl type=1\n3:ppp type=255\n");
}

TEST_F(CliTest, ProtocolDefinitionErrorsUseTheStartUpMessages) {
  Write("tarcfg.pro", "# first\n2:x75_6 base=x75 addr_a=0\n");
  Result r = Run("protocols");
  EXPECT_EQ(r.status, 3);
  const std::string file = "tarcfg-cli: " + (dir / "tarcfg.pro").string() + ": ";
  EXPECT_EQ(r.err, file +
                       "Error in the file TARCFG.PRO line 2, column 18. Please check the contents "
                       "of this file.\n");

  Write("tarcfg.pro", "2:x75_3 base=x75\n");
  r = Run("protocols");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, file +
                       "Line 1 of TARCFG.PRO contains inconsistencies. Please check the contents "
                       "of this file.\n");
}

TEST_F(CliTest, UsageErrorsExit2) {
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("frobnicate").status, 2);
  EXPECT_EQ(Run("check").status, 2);
  EXPECT_EQ(Run("check a b").status, 2);
  EXPECT_EQ(Run("check a.cfg --permanent x").status, 2);
  EXPECT_EQ(Run("--bogus").status, 2);
  Result help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Exit status:"), std::string::npos);
  EXPECT_EQ(Run("--version").out, "tarcfg-cli 1.4.5.0\n");
}

// Checked before the network is touched: these need no routers.
TEST_F(CliTest, ServeChecksItsOptionsAndDescribesThem) {
  for (const char* bad : {"serve --interval 0", "serve --interval x",
                          "serve --accounting-interval -1", "serve --listen 127.0.0.1",
                          "serve --listen nowhere:9532", "serve --listen :70000", "serve extra"}) {
    Result r = Run(bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("tarcfg-cli serve"), std::string::npos) << bad << ": " << r.err;
  }
  Result help = Run("serve --help");
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--listen <ADDR:PORT>", "--interval <S>", "--accounting-interval <S>",
                             "--password <PASSWORD>", "--once", "never prompted"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  EXPECT_NE(Run("--help").out.find("  serve [--listen ADDR:PORT] [--interval S]"),
            std::string::npos);
}

// A request for help or the version is answered and nothing else is done,
// whatever else the command line says (`accounting R --reset --help-all` must
// not reset the counters). Nothing here may reach a router or a socket.
TEST_F(CliTest, HelpAndVersionRequestsDoNothingElse) {
  // Should a command run after all, it stops at the broken definitions
  // before any traffic, which in any case stays on loopback.
  Write("s.ini",
        "[Settings]\nIpAddress=127.0.0.1\nNetMask=255.0.0.0\nNameResolve=0\nFirmwarePath=" +
            dir.string() + "\n");
  Write("tarcfg.pro", "2:x75_3 base=x75\n");
  for (const char* command :
       {"check good.cfg", "protocols", "scan", "overview", "read 127.0.0.9 -o x.cfg",
        "backup --dir .", "write 127.0.0.9 good.cfg", "set 127.0.0.9 --phone 1",
        "firmware 127.0.0.9 --mode DSS1", "status 127.0.0.9 --count 0", "connect 127.0.0.9 1",
        "disconnect 127.0.0.9 1", "accounting 127.0.0.9 --reset", "serve --once",
        "history 127.0.0.9", "restore 127.0.0.9 --last", "diff 127.0.0.9 good.cfg",
        "diff good.cfg good.cfg --json"}) {
    const std::string name = std::string(command).substr(0, std::string(command).find(' '));
    for (const char* request : {"--help", "--help-all", "-h", "--version"}) {
      if (name == "firmware" && std::string(request) == "--version")
        continue;  // the firmware version to load, an option of its own
      const Result r = Run(std::string(command) + " " + request);
      EXPECT_EQ(r.status, 0) << command << " " << request << ": " << r.err;
      EXPECT_EQ(r.err, "") << command << " " << request;
      EXPECT_EQ(r.out.rfind(std::string(request) == "--version" ? "tarcfg-cli 1.4.5.0\n"
                                                                : "Usage: tarcfg-cli " + name,
                            0),
                0u)
          << command << " " << request << ": " << r.out;
    }
  }
  EXPECT_FALSE(fs::exists(dir / "x.cfg"));
  // Before the command as well, also where a settings file is named.
  for (const char* line : {"--help-all", "--settings --help accounting 127.0.0.9 --reset",
                           "--settings -h scan", "--settings --version scan"}) {
    const Result r = Run(line);
    EXPECT_EQ(r.status, 0) << line << ": " << r.err;
    EXPECT_EQ(r.out.rfind(std::string(line).find("version") != std::string::npos
                              ? "tarcfg-cli 1.4.5.0\n"
                              : "Usage: tarcfg-cli [--settings FILE] COMMAND",
                          0),
              0u)
        << line << ": " << r.out;
  }
  for (const char* request : {"--help", "-h", "--version"})
    EXPECT_FALSE(fs::exists(dir / request)) << request;
}

TEST_F(CliTest, CommandHelpNamesTheCommandNotThePath) {
  for (const char* command : {"write", "history", "restore", "scan"}) {
    Result help = Run(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tarcfg-cli " + std::string(command) + " [options]", 0), 0u)
        << help.out;
    EXPECT_EQ(help.out.find(TARCFG_CLI), std::string::npos);
  }
  EXPECT_NE(Run("write --help").out.find("--no-history"), std::string::npos);
  EXPECT_NE(Run("set --help").out.find("--no-history"), std::string::npos);
  EXPECT_NE(Run("firmware --help").out.find("--no-history"), std::string::npos);
}

// The history of a router given by hardware address is listed without any
// network: from $XDG_STATE_HOME/tarcfg/history.
TEST_F(CliTest, HistoryListsKeptFilesNewestFirstWithoutNetwork) {
  const fs::path folder = dir / "state/tarcfg/history/00-60-1a-10-00-01";
  fs::create_directories(folder);
  Write("state/tarcfg/history/00-60-1a-10-00-01/20240501T120000Z.cfg",
        "# Configuration history: the router's configuration as last read\n"
        "# Time      : 2024-05-01T12:00:00Z\n"
        "# Router    : 00-60-1a-10-00-01 198.51.100.10\n"
        "# Operation : tarcfg-cli set\n"
        "# Sending   : phone number: 0301234 -> 0301999\n"
        "\n"
        "Line_Targets:\n10.0.0.5 12345 x75 null 20 0 1 0\nRouting_Data:\nFilter_Data:\n");
  Write("state/tarcfg/history/00-60-1a-10-00-01/20240502T080000Z.cfg",
        "# Configuration history: the router's configuration as last read\n"
        "# Time      : 2024-05-02T08:00:00Z\n"
        "# Operation : Line Targets OK\n"
        "\n"
        "Line_Targets:\nRouting_Data:\n0.0.0.0 0.0.0.0 10.0.0.5\nFilter_Data:\n"
        "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n");
  const std::string env = "XDG_STATE_HOME='" + (dir / "state").string() + "' ";
  Result text = tarcfg::testing::RunCommand("cd '" + dir.string() + "' && TARCFG_SETTINGS='" +
                                                (dir / "s.ini").string() + "' " + env +
                                                "'" TARCFG_CLI "' history 00-60-1A-10-00-01",
                                            dir / "stderr");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out,
            "1  2024-05-02T08:00:00Z  0 line targets, 1 route, 1 filter\n"
            "   before: Line Targets OK\n"
            "   file:   " +
                (folder / "20240502T080000Z.cfg").string() +
                "\n"
                "2  2024-05-01T12:00:00Z  1 line target, 0 routes, 0 filters\n"
                "   before: tarcfg-cli set (1 change)\n"
                "   file:   " +
                (folder / "20240501T120000Z.cfg").string() + "\n");
  Result json = tarcfg::testing::RunCommand("cd '" + dir.string() + "' && TARCFG_SETTINGS='" +
                                                (dir / "s.ini").string() + "' " + env +
                                                "'" TARCFG_CLI "' history 00-60-1a-10-00-01 --json",
                                            dir / "stderr");
  EXPECT_NE(json.out.find("{\"index\": 2, \"time\": \"2024-05-01T12:00:00Z\", \"file\": \"" +
                          (folder / "20240501T120000Z.cfg").string() +
                          "\", \"operation\": \"tarcfg-cli set\", \"sending\": [\"phone number: "
                          "0301234 -> 0301999\"], \"lineTargets\": 1, \"routes\": 0, "
                          "\"filters\": 0}"),
            std::string::npos)
      << json.out;
  Result none = tarcfg::testing::RunCommand("cd '" + dir.string() + "' && TARCFG_SETTINGS='" +
                                                (dir / "s.ini").string() + "' " + env +
                                                "'" TARCFG_CLI "' history 00-60-1a-10-00-09 --json",
                                            dir / "stderr");
  EXPECT_EQ(none.out, "[]\n");
}

TEST_F(CliTest, RestoreNeedsExactlyOneSource) {
  EXPECT_EQ(Run("restore 00-60-1a-10-00-01").status, 2);
  EXPECT_EQ(Run("restore 00-60-1a-10-00-01 a.cfg --last").status, 2);
  EXPECT_EQ(Run("restore 00-60-1a-10-00-01 --last --index 2").status, 2);
  Result index = Run("restore 00-60-1a-10-00-01 --index 0");
  EXPECT_EQ(index.status, 2);
  EXPECT_EQ(index.err, "tarcfg-cli restore: --index needs a number from 1 up\n");
}

}  // namespace
