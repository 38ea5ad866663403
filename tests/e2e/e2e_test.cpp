// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg-cli against tarnex-sim over real UDP. Runs inside the virtual LAN
// (scripts/virtual-lan), which provides TARCFG_SETTINGS, TARNEX_SIM_STATE
// and the demo network: .10 open, .11 password "secret", .12 held by
// 198.51.100.2, and a loader without address (00-60-1a-10-00-04).
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

class Discovery : public E2eTest {};
class Registration : public E2eTest {};
class Configuration : public E2eTest {};
class RouterSettings : public E2eTest {};
class Firmware : public E2eTest {};
class Monitoring : public E2eTest {};
class Faults : public E2eTest {};
class Serve : public E2eTest {};

TEST_F(Discovery, ScanListsEveryRouter) {
  Result r = Cli("scan");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            " 00-60-1a-10-00-01\t198.51.100.10 \n"
            " 00-60-1a-10-00-02\t198.51.100.11 \n"
            "(00-60-1a-10-00-03\t198.51.100.12)\n"
            " 00-60-1a-10-00-04\t--------- \n");
  Result json = Cli("scan --json");
  ASSERT_EQ(json.status, 0);
  const auto routers = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
  ASSERT_EQ(routers.size(), 4);
  EXPECT_EQ(routers[2].toObject()["registeredHost"].toString(), "198.51.100.2");
  EXPECT_TRUE(routers[2].toObject()["heldByOther"].toBool());
  EXPECT_TRUE(routers[3].toObject()["address"].isNull());
  EXPECT_EQ(routers[3].toObject()["name"].toString(), "---------");
}

TEST_F(Discovery, OverviewReportsFirmwareAndSilentRouters) {
  Result r = Cli("overview");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Host name:\t198.51.100.10\nFirmware:\t2.10 / DSS1\nChannel 1: Not "
                       "connected\nChannel 2: Not connected\n\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Firmware:\t2.10 / 1TR6"), std::string::npos);
  EXPECT_NE(r.out.find("Router 00-60-1a-10-00-04 does not respond.\n"), std::string::npos);
}

TEST_F(Registration, PasswordsAndRefusals) {
  Result wrong = Cli("read 198.51.100.11 -p wrong");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.err, "tarcfg-cli: 198.51.100.11: Wrong password - Cannot open connection\n");

  Result none = Cli("read 198.51.100.11");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("asks for a password"), std::string::npos);

  Result right = Cli("read 198.51.100.11 -p secret");
  ASSERT_EQ(right.status, 0) << right.err;
  EXPECT_NE(right.out.find("198.51.100.210       0401112222           x75         t70nl"),
            std::string::npos);

  setenv("TARCFG_PASSWORD", "secret", 1);
  Result env = Cli("read 00-60-1a-10-00-02 -o guarded.cfg");
  unsetenv("TARCFG_PASSWORD");
  EXPECT_EQ(env.status, 0) << env.err;
  EXPECT_EQ(ReadFile(dir / "guarded.cfg"), right.out);

  Result held = Cli("read 198.51.100.12");
  EXPECT_EQ(held.status, 1);
  EXPECT_EQ(held.err,
            "tarcfg-cli: 198.51.100.12: Router registration failed. This router has already "
            "been registered by host '198.51.100.2'.\n");
  // Every command deregistered: the routers are free again.
  auto free = [](const QJsonObject& r) { return r["registeredHost"].isNull(); };
  EXPECT_TRUE(WaitForState(kGuarded, free));
  EXPECT_TRUE(WaitForState(kOpen, free));
}

// Ctrl-C typed on the terminal, as a user ends a command: at the password
// prompt and while a registration is held, the command ends with 130, the
// router is let go and the terminal echoes again.
TEST_F(Registration, CtrlCOnTheTerminalLetsTheRouterGoAndEchoesAgain) {
  struct Case {
    const char* command;
    const char* hardware;
    const char* shown;  // what the command prints before it waits
  };
  auto free = [](const QJsonObject& r) { return r["registeredHost"].isNull(); };
  for (const Case& c : {Case{"read 198.51.100.11", kGuarded, "Enter Your Password: "},
                        Case{"status 198.51.100.10 --count 0", kOpen, "Channel 2:"}}) {
    SCOPED_TRACE(c.command);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
      const std::string command = "cd '" + dir.string() + "' && exec '" TARCFG_CLI "' " + c.command;
      ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    std::string seen;
    for (int i = 0; i < 100 && seen.find(c.shown) == std::string::npos; ++i) {
      pollfd readable{terminal, POLLIN, 0};
      char bytes[512];
      if (::poll(&readable, 1, 100) > 0) {
        const ssize_t n = ::read(terminal, bytes, sizeof bytes);
        if (n <= 0)
          break;
        seen.append(bytes, static_cast<std::size_t>(n));
      }
    }
    EXPECT_NE(seen.find(c.shown), std::string::npos) << seen;
    ASSERT_TRUE(::write(terminal, "\x03", 1) == 1);
    int status = -1;
    for (int i = 0; i < 100 && ::waitpid(child, &status, WNOHANG) == 0; ++i)
      ::usleep(100 * 1000);
    if (::waitpid(child, &status, WNOHANG) == 0) {
      ADD_FAILURE() << "Ctrl-C did not end the command";
      ::kill(child, SIGTERM);
      ::waitpid(child, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
    termios now{};
    ASSERT_EQ(::tcgetattr(terminal, &now), 0);
    EXPECT_NE(now.c_lflag & ECHO, 0u);
    ::close(terminal);
    EXPECT_TRUE(WaitForState(c.hardware, free));
  }
}

TEST_F(Configuration, ReadWritesTheRoutersTables) {
  Result r = Cli("read 198.51.100.10 -o r10.cfg");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string file = ReadFile(dir / "r10.cfg");
  EXPECT_NE(file.find("# Router Name / IP-Address: 198.51.100.10\n"), std::string::npos);
  EXPECT_NE(file.find("# Firmware                : 2.10 / DSS1\n"), std::string::npos);
  EXPECT_NE(
      file.find("198.51.100.202       0401234567           ppp         ppp         0     0 1 1 "
                "office/geheim                  branch/secret2"),
      std::string::npos);
  EXPECT_NE(file.find("0.0.0.0         0.0.0.0         198.51.100.202"), std::string::npos);
  EXPECT_NE(
      file.find("255.255.255.0   198.51.100.0    0.0.0.0         0.0.0.0         telnet       1"),
      std::string::npos)
      << file;
  Result check = Cli("check r10.cfg");
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_EQ(check.out, "3 line targets, 3 routes, 3 filters\n");
}

TEST_F(Configuration, WriteInsertsReplacesAndDeletes) {
  // The demo router's tables with the second line target replaced, a
  // fourth appended and the second route dropped.
  WriteFile("edited.cfg",
            "Line_Targets:\n"
            "198.51.100.200 0301234567 x75 null 20 0 0 0\n"
            "198.51.100.222 0891234500 hdlc t70nl 30 1 0 0\n"
            "198.51.100.202 0401234567 ppp ppp 0 0 1 1 office/geheim branch/secret2\n"
            "198.51.100.230 0301 x75 null 20 0 0 0\n"
            "Routing_Data:\n"
            "255.255.255.0 198.51.101.0 198.51.100.200\n"
            "0.0.0.0 0.0.0.0 198.51.100.202\n"
            "Filter_Data:\n"
            "255.255.255.0 198.51.100.0 0.0.0.0 0.0.0.0 23/tcp 1\n"
            "0.0.0.0 0.0.0.0 255.255.255.0 198.51.100.0 161/udp 0\n"
            "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 1\n");

  Result dry = Cli("write 198.51.100.10 edited.cfg --dry-run");
  ASSERT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out,
            "line target 2 written: 198.51.100.222 0891234500 hdlc\n"
            "line target 4 written: 198.51.100.230 0301 x75\n"
            "route 2 written: 0.0.0.0 0.0.0.0 198.51.100.202\n"
            "route 3 deleted: 0.0.0.0 0.0.0.0 198.51.100.202\n");
  EXPECT_EQ(Addresses(RouterState(kOpen)["lineTargets"].toArray()),
            "198.51.100.200 198.51.100.201 198.51.100.202 ");

  Result write = Cli("write 198.51.100.10 edited.cfg");
  ASSERT_EQ(write.status, 0) << write.err;
  EXPECT_EQ(write.out, "4 entries sent\n");
  const QJsonObject router = RouterState(kOpen);
  EXPECT_EQ(Addresses(router["lineTargets"].toArray()),
            "198.51.100.200 198.51.100.222 198.51.100.202 198.51.100.230 ");
  const QJsonObject replaced = router["lineTargets"].toArray()[1].toObject();
  EXPECT_EQ(replaced["phone"].toString(), "0891234500");
  EXPECT_EQ(replaced["layer2"].toString(), "hdlc");
  EXPECT_EQ(replaced["timeout"].toInt(), 30);
  const QJsonArray routes = router["routes"].toArray();
  ASSERT_EQ(routes.size(), 2);
  EXPECT_EQ(routes[1].toObject()["gateway"].toString(), "198.51.100.202");

  Result again = Cli("write 198.51.100.10 edited.cfg");
  EXPECT_EQ(again.out, "0 entries sent\n");
  ASSERT_EQ(Cli("read 198.51.100.10 -o back.cfg").status, 0);
  EXPECT_EQ(Cli("write 198.51.100.10 back.cfg --dry-run").out, "");

  WriteFile("bad.cfg", "Line_Targets:\nnot-an-address 1 x75 null 20 0 0 0\n");
  Result bad = Cli("write 198.51.100.10 bad.cfg");
  EXPECT_EQ(bad.status, 3);
  EXPECT_EQ(bad.err, "tarcfg-cli: bad.cfg: Loading error in line 2, column 1. Wrong IP-address!\n");
}

TEST_F(Configuration, BackupSavesEveryRouterAndReportsRefusals) {
  fs::create_directories(dir / "saved");
  Result r = Cli("backup --dir saved -p secret");
  EXPECT_EQ(r.status, 1) << r.err;  // the held router and the loader fail
  EXPECT_TRUE(fs::exists(dir / "saved/198_51_100_10.cfg"));
  EXPECT_TRUE(fs::exists(dir / "saved/198_51_100_11.cfg"));
  EXPECT_FALSE(fs::exists(dir / "saved/198_51_100_12.cfg"));
  EXPECT_NE(r.err.find("already been registered by host '198.51.100.2'"), std::string::npos);
  EXPECT_EQ(Cli("check saved/198_51_100_11.cfg").out, "2 line targets, 1 route, 2 filters\n");
}

TEST_F(RouterSettings, SetChangesPhoneAndPassword) {
  Result phone = Cli("set 198.51.100.10 --phone 0301999");
  ASSERT_EQ(phone.status, 0) << phone.err;
  EXPECT_EQ(phone.out,
            "The changes have been saved in the router.\nTo activate changes please reboot the "
            "router.\n");
  EXPECT_EQ(RouterState(kOpen)["phone"].toString(), "0301999");
  EXPECT_EQ(RouterState(kOpen)["password"].toString(), "");

  Result password = Cli("set 198.51.100.10 --new-password abc --exclusive");
  ASSERT_EQ(password.status, 0) << password.err;
  EXPECT_EQ(RouterState(kOpen)["password"].toString(), "abc");
  EXPECT_EQ(RouterState(kOpen)["exclusiveHost"].toString(), "198.51.100.1");
  EXPECT_EQ(Cli("read 198.51.100.10 -p wrong").status, 1);
  EXPECT_EQ(Cli("read 198.51.100.10 -p abc").status, 0);

  EXPECT_EQ(Cli("set 198.51.100.11 -p secret --phone 12s").err,
            "Current phone number is incorrect!\n");
  EXPECT_EQ(Cli("set 198.51.100.11 -p secret --ip 10.0.0.300").err,
            "Wrong IP-address or net mask!\n");
  EXPECT_EQ(RouterState(kGuarded)["phone"].toString(), "0301111");
}

TEST_F(Firmware, DownloadToRegisteredRouter) {
  Result r = Cli("firmware 198.51.100.10 --mode DSS1 --version 2.08");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, " 00-60-1a-10-00-01\t198.51.100.10 \n");
  const QJsonObject router = RouterState(kOpen);
  EXPECT_TRUE(router["firmware"].toObject()["applied"].toBool())
      << router["firmware"].toObject()["error"].toString().toStdString();
  EXPECT_EQ(router["firmwareVersion"].toString(), "2.08");
  // The tables travelled inside the image.
  EXPECT_EQ(Addresses(router["lineTargets"].toArray()),
            "198.51.100.200 198.51.100.201 198.51.100.202 ");
  EXPECT_EQ(router["routes"].toArray().size(), 3);
  EXPECT_EQ(router["lineTargets"].toArray()[2].toObject()["remoteIdentification"].toString(),
            "office/geheim");

  Result mode = Cli("firmware 198.51.100.10 --mode 1TR6");
  ASSERT_EQ(mode.status, 0) << mode.err;
  EXPECT_EQ(RouterState(kOpen)["dChannelProtocol"].toString(), "1TR6");
  EXPECT_EQ(RouterState(kOpen)["firmwareVersion"].toString(), "2.10");
}

TEST_F(Firmware, DownloadToLoaderModeRouter) {
  Result r =
      Cli("firmware 00-60-1a-10-00-04 --ip 198.51.100.60 --netmask 255.255.255.0 --phone 0301444");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, " 00-60-1a-10-00-04\t198.51.100.60 \n");
  const QJsonObject router = RouterState(kLoader);
  EXPECT_EQ(router["mode"].toString(), "running");
  EXPECT_EQ(router["address"].toString(), "198.51.100.60");
  EXPECT_EQ(router["phone"].toString(), "0301444");
  EXPECT_TRUE(router["firmware"].toObject()["applied"].toBool());
  EXPECT_EQ(Cli("read 198.51.100.60").status, 0);

  // Without an address for the loader there is nothing to configure.
  Result bare = Cli("firmware 00-60-1a-10-00-05");
  EXPECT_EQ(bare.status, 1);
}

TEST_F(Monitoring, ConnectStatusDisconnectAccounting) {
  ASSERT_EQ(Cli("connect 198.51.100.10 2").status, 0);
  QJsonArray channels = RouterState(kOpen)["channels"].toArray();
  EXPECT_EQ(channels[0].toObject()["state"].toInt(), 3);
  EXPECT_EQ(channels[0].toObject()["remote"].toString(), "198.51.100.201");

  Result status = Cli("status 198.51.100.10 --count 2 --json");
  ASSERT_EQ(status.status, 0) << status.err;
  std::istringstream lines(status.out);
  std::string line;
  int reports = 0;
  while (std::getline(lines, line)) {
    const auto report = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    const auto c = report["channels"].toArray();
    EXPECT_EQ(c[0].toObject()["stateText"].toString(), "Connected");
    EXPECT_EQ(c[0].toObject()["phoneNumber"].toString(), "0891234567");
    EXPECT_EQ(c[1].toObject()["state"].toInt(), 0);
    ++reports;
  }
  EXPECT_EQ(reports, 2);
  EXPECT_TRUE(WaitForState(kOpen, [](const QJsonObject& r) { return !r["monitoring"].toBool(); }));

  ASSERT_EQ(Cli("disconnect 198.51.100.10 1").status, 0);
  EXPECT_NE(RouterState(kOpen)["channels"].toArray()[0].toObject()["state"].toInt(), 3);
  EXPECT_EQ(Cli("disconnect 198.51.100.10 3").status, 2);

  Result csv = Cli("accounting 198.51.100.10 --csv");
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_NE(
      csv.out.find("hostName,phoneNumber,charges,callsOutgoing,callsIncoming,packetsOutgoing,"
                   "packetsIncoming,bytesOutgoing,bytesIncoming\n198.51.100.200,0301234567,12,"
                   "4,1,3200,2900,409600,371200\n"),
      std::string::npos)
      << csv.out;
  Result text = Cli("accounting 198.51.100.10 --reset");
  ASSERT_EQ(text.status, 0);
  EXPECT_NE(
      text.out.find("Host name:\t198.51.100.200\nPhone number.:\t0301234567\n\nCalls\nincoming: "
                    "1\toutgoing: 4\n"),
      std::string::npos);
  const auto counters =
      RouterState(kOpen)["lineTargets"].toArray()[0].toObject()["counters"].toArray();
  for (const auto& c : counters)
    EXPECT_EQ(c.toInt(), 0);
}

// Under faults every run either completes exactly or ends with the clean
// message of an unanswered request; the router's tables are never corrupt.
bool CleanFailure(const Result& r) {
  return r.status == 1 &&
         (r.err.find("(Error code: 8888)") != std::string::npos ||
          r.err.find("Time-out during network communication!") != std::string::npos);
}

TEST_F(Faults, ReadIsCompleteOrClean) {
  for (int i = 0; i < 3; ++i) {
    Result r = Cli("read 198.51.100.10 -o r.cfg");
    if (r.status == 0) {
      EXPECT_EQ(Cli("check r.cfg").out, "3 line targets, 3 routes, 3 filters\n");
    } else {
      EXPECT_TRUE(CleanFailure(r)) << r.err;
    }
  }
}

TEST_F(Faults, WriteIsCompleteOrClean) {
  WriteFile(
      "new.cfg",
      "Line_Targets:\n198.51.100.240 111 x75 null 20 0 0 0\n198.51.100.241 222 hdlc null 20 0 0 0\n"
      "Routing_Data:\n255.255.255.0 198.51.104.0 198.51.100.240\nFilter_Data:\n"
      "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 all 0\n");
  for (int i = 0; i < 3; ++i) {
    Result r = Cli("write 198.51.100.10 new.cfg");
    const QJsonObject router = RouterState(kOpen);
    if (r.status == 0) {
      EXPECT_EQ(Addresses(router["lineTargets"].toArray()), "198.51.100.240 198.51.100.241 ");
      EXPECT_EQ(router["routes"].toArray().size(), 1);
      EXPECT_EQ(router["filters"].toArray().size(), 1);
      return;
    }
    EXPECT_TRUE(CleanFailure(r)) << r.err;
    // Whatever stage the write reached, every entry is whole and in place.
    for (const auto& t : router["lineTargets"].toArray())
      EXPECT_FALSE(t.toObject()["phone"].toString().isEmpty());
  }
}

TEST_F(Faults, DownloadIsCompleteOrClean) {
  // One attempt: a download that fails midway leaves the router waiting in
  // its loader, which a later scan shows without an address.
  Result r = Cli("firmware 198.51.100.10 --version 2.08");
  if (r.status == 0) {
    EXPECT_EQ(RouterState(kOpen)["firmwareVersion"].toString(), "2.08");
    EXPECT_TRUE(RouterState(kOpen)["firmware"].toObject()["applied"].toBool());
    EXPECT_EQ(RouterState(kOpen)["lineTargets"].toArray().size(), 3);
    return;
  }
  EXPECT_TRUE(CleanFailure(r) || r.err.find("Firmware download has failed!") != std::string::npos ||
              r.err.find("Reset of router failed.!") != std::string::npos)
      << r.err;
  // Whatever arrived, the router never applies a damaged image.
  EXPECT_FALSE(RouterState(kOpen)["firmware"].toObject()["applied"].toBool() &&
               RouterState(kOpen)["firmwareVersion"].toString() != "2.08");
}

// No router may be left registered with the workstation.
bool NobodyRegistered(const QJsonObject& router) {
  return router["registeredHost"].isNull();
}

constexpr const char* kOpenLabels =
    "hardware_address=\"00-60-1a-10-00-01\",address=\"198.51.100.10\"";
constexpr const char* kGuardedLabels =
    "hardware_address=\"00-60-1a-10-00-02\",address=\"198.51.100.11\"";
constexpr const char* kHeldLabels =
    "hardware_address=\"00-60-1a-10-00-03\",address=\"198.51.100.12\"";

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST_F(Serve, OnceReportsTheDemoNetwork) {
  Result r = Cli("serve --once --accounting-interval 60 -p secret");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string open = kOpenLabels;
  EXPECT_TRUE(HasLine(r.out, "tarnex_router_up{" + open + "} 1")) << r.out;
  EXPECT_TRUE(
      HasLine(r.out, "tarnex_router_up{hardware_address=\"00-60-1a-10-00-04\",address=\"\"} 1"));
  EXPECT_TRUE(HasLine(r.out, std::string("tarnex_router_held{") + kHeldLabels + "} 1"));
  EXPECT_TRUE(HasLine(r.out, "tarnex_router_info{" + open +
                                 ",firmware=\"2.10\",d_channel_protocol=\"DSS1\","
                                 "operating_mode=\"switched\"} 1"));
  EXPECT_TRUE(HasLine(r.out, std::string("tarnex_router_info{") + kGuardedLabels +
                                 ",firmware=\"2.10\",d_channel_protocol=\"1TR6\","
                                 "operating_mode=\"switched\"} 1"));
  EXPECT_EQ(r.out.find("tarnex_router_info{hardware_address=\"00-60-1a-10-00-04\""),
            std::string::npos);
  EXPECT_TRUE(HasLine(r.out, "tarnex_channel_connected{" + open + ",channel=\"2\"} 0"));
  EXPECT_TRUE(HasLine(r.out, "tarnex_routers 4"));
  EXPECT_TRUE(HasLine(r.out, "tarnex_accounting_success{" + open + "} 1"));
  EXPECT_TRUE(HasLine(r.out, std::string("tarnex_accounting_success{") + kGuardedLabels + "} 1"));
  EXPECT_TRUE(HasLine(r.out, std::string("tarnex_accounting_success{") + kHeldLabels + "} 0"));
  EXPECT_TRUE(HasLine(r.out, "tarnex_line_target_bytes_total{" + open +
                                 ",position=\"3\",host_name=\"198.51.100.202\",phone_number="
                                 "\"0401234567\",direction=\"incoming\"} 972800"));
  EXPECT_TRUE(HasLine(r.out, std::string("tarnex_line_target_charges_total{") + kGuardedLabels +
                                 ",position=\"1\",host_name=\"198.51.100.210\",phone_number="
                                 "\"0401112222\"} 5"));
  EXPECT_NE(r.err.find("198.51.100.12 (00-60-1a-10-00-03): held by 198.51.100.2"),
            std::string::npos)
      << r.err;
  for (const char* router : {kOpen, kGuarded})
    EXPECT_TRUE(WaitForState(router, NobodyRegistered)) << router;
  // Prometheus's own linter, where it is installed.
  if (std::system("command -v promtool >/dev/null 2>&1") == 0) {
    WriteFile("metrics.txt", r.out);
    Result lint = tarcfg::testing::RunCommand(
        "promtool check metrics <'" + (dir / "metrics.txt").string() + "'", dir / "lint.err");
    EXPECT_EQ(lint.status, 0) << lint.out << lint.err;
  }

  // Without the password the guarded router is not read, and that is said once.
  Result bare = Cli("serve --once --accounting-interval 60");
  ASSERT_EQ(bare.status, 0) << bare.err;
  EXPECT_TRUE(
      HasLine(bare.out, std::string("tarnex_accounting_success{") + kGuardedLabels + "} 0"));
  EXPECT_NE(bare.err.find("198.51.100.11 (00-60-1a-10-00-02): accounting not read: the router "
                          "asks for a password"),
            std::string::npos)
      << bare.err;
  // Without --accounting-interval nothing registers and no accounting is shown.
  Result plain = Cli("serve --once");
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out.find("tarnex_accounting_success"), std::string::npos);
  EXPECT_EQ(Cli("serve --once --interval 0").status, 2);
  EXPECT_EQ(Cli("serve --once --listen nowhere").status, 2);
}

TEST_F(Serve, HttpMetricsFollowAChannelAndTheServerNeverHoldsARouter) {
  // The server in the background, as systemd would run it.
  const pid_t server = ::fork();
  ASSERT_GE(server, 0);
  if (server == 0) {
    const std::string command = "cd '" + dir.string() +
                                "' && exec '" TARCFG_CLI
                                "' serve --listen 127.0.0.1:9532 --interval 15 "
                                "--accounting-interval 15 -p secret >serve.out 2>serve.err";
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  auto curl = [&](const std::string& arguments) {
    return tarcfg::testing::RunCommand("curl -s --max-time 5 " + arguments, dir / "curl.err").out;
  };
  auto fetch = [&] { return curl("http://127.0.0.1:9532/metrics"); };
  auto stamp = [](const std::string& text) {
    const auto at = text.find("\ntarnex_last_scan_timestamp_seconds ");
    return at == std::string::npos ? std::string()
                                   : text.substr(at + 1, text.find('\n', at + 1) - at);
  };
  // The metrics of the round after `previous`; the server is then idle for
  // the rest of its 15 seconds.
  auto nextRound = [&](const std::string& previous) {
    for (int i = 0; i < 120; ++i) {
      const std::string text = fetch();
      if (!stamp(text).empty() && stamp(text) != previous)
        return text;
      ::usleep(250 * 1000);
    }
    return std::string();
  };
  const std::string open = kOpenLabels;

  std::string first = nextRound("");
  ASSERT_FALSE(first.empty()) << ReadFile(dir / "serve.err");
  EXPECT_TRUE(HasLine(first, "tarnex_channel_connected{" + open + ",channel=\"1\"} 0"));
  EXPECT_TRUE(HasLine(first, std::string("tarnex_router_held{") + kHeldLabels + "} 1"));
  EXPECT_TRUE(HasLine(first, "tarnex_accounting_success{" + open + "} 1"));
  for (const char* router : {kOpen, kGuarded})
    EXPECT_TRUE(WaitForState(router, NobodyRegistered)) << router;

  // Another workstation (every tool instance binds UDP port 1532, so not
  // this one) registers between two rounds: the router is free.
  auto secondHost = [&](const std::string& arguments) {
    return tarcfg::testing::RunCommand("'" SECOND_WORKSTATION "' 198.51.100.3 '" +
                                           (dir / "second.ini").string() +
                                           "' -- '" TARCFG_CLI "' " + arguments + " </dev/null",
                                       dir / "second.err");
  };
  Result connect = secondHost("connect 198.51.100.10 1");
  ASSERT_EQ(connect.status, 0) << connect.err;
  std::string connected = nextRound(stamp(first));
  EXPECT_TRUE(HasLine(connected, "tarnex_channel_state{" + open + ",channel=\"1\"} 3"))
      << connected;
  EXPECT_TRUE(HasLine(connected, "tarnex_channel_connected{" + open + ",channel=\"1\"} 1"));
  EXPECT_TRUE(HasLine(connected, "tarnex_channel_connected{" + open + ",channel=\"2\"} 0"));
  EXPECT_TRUE(HasLine(connected, "tarnex_accounting_success{" + open + "} 1"));
  EXPECT_TRUE(HasLine(connected, std::string("tarnex_router_held{") + kHeldLabels + "} 1"));
  for (const char* router : {kOpen, kGuarded})
    EXPECT_TRUE(WaitForState(router, NobodyRegistered)) << router;

  Result disconnect = secondHost("disconnect 198.51.100.10 1");
  ASSERT_EQ(disconnect.status, 0) << disconnect.err;
  std::string dropped = nextRound(stamp(connected));
  EXPECT_TRUE(HasLine(dropped, "tarnex_channel_connected{" + open + ",channel=\"1\"} 0"))
      << dropped;
  EXPECT_TRUE(HasLine(dropped, "tarnex_accounting_success{" + open + "} 1"));

  // The router is power-cycled between rounds: it forgets everything and
  // numbers its messages from 1 again. The server reads it again as before.
  {
    std::ofstream control(std::getenv("TARNEX_SIM_CONTROL"));
    control << "reboot 00-60-1a-10-00-01\n";
  }
  std::string previous = stamp(dropped), back;
  for (int round = 0; round < 3 && back.empty(); ++round) {
    const std::string text = nextRound(previous);
    previous = stamp(text);
    if (RouterState(kOpen)["reboots"].toInt() == 1 &&
        HasLine(text, "tarnex_router_up{" + open + "} 1") &&
        HasLine(text, "tarnex_accounting_success{" + open + "} 1"))
      back = text;
  }
  EXPECT_FALSE(back.empty()) << ReadFile(dir / "serve.err");
  EXPECT_TRUE(WaitForState(kOpen, NobodyRegistered));

  EXPECT_EQ(curl("-o /dev/null -w %{http_code} http://127.0.0.1:9532/other"), "404");
  const std::string headers = curl("-D - -o /dev/null http://127.0.0.1:9532/metrics");
  EXPECT_NE(headers.find("Content-Type: text/plain; version=0.0.4; charset=utf-8"),
            std::string::npos)
      << headers;

  ASSERT_EQ(::kill(server, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(server, &status, 0), server);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (const char* router : {kOpen, kGuarded})
    EXPECT_TRUE(WaitForState(router, NobodyRegistered)) << router;
  // The held router was never asked.
  EXPECT_EQ(RouterState("00-60-1a-10-00-03")["exclusiveHost"].toString(), "198.51.100.2");
  const std::string log = ReadFile(dir / "serve.err");
  EXPECT_EQ(log.find("Wrong password"), std::string::npos) << log;
}

// The archive keeps a router's configuration once, then a new version only
// after a change made behind the tool's back (a write without history).
TEST_F(History, ServeArchiveKeepsAVersionOnlyAfterAChangeMadeElsewhere) {
  WriteFile("passwords", std::string(kGuarded) + " secret\n");
  fs::permissions(dir / "passwords", fs::perms::owner_read | fs::perms::owner_write);
  const std::string serve = "serve --once --archive-interval 60 --passwords passwords";
  const std::string open = kOpenLabels;
  for (int run = 0; run < 2; ++run) {
    Result r = Cli(serve);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(HasLine(r.out, "tarnex_config_read_success{" + open + "} 1")) << r.out;
    EXPECT_TRUE(
        HasLine(r.out, std::string("tarnex_config_read_success{") + kGuardedLabels + "} 1"));
    EXPECT_TRUE(HasLine(r.out, "tarnex_config_versions{" + open + "} 1"));
    EXPECT_EQ(r.out.find("tarnex_config_last_change_timestamp_seconds{"), std::string::npos);
  }
  WriteFile("edited.cfg", kEdited);
  Result write = Cli("write 198.51.100.10 edited.cfg --no-history");
  ASSERT_EQ(write.status, 0) << write.err;
  ASSERT_EQ(HistoryFiles(kOpen).size(), 1u);
  Result changed = Cli(serve);
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_TRUE(HasLine(changed.out, "tarnex_config_versions{" + open + "} 2")) << changed.out;
  EXPECT_NE(changed.out.find("tarnex_config_last_change_timestamp_seconds{" + open + "} "),
            std::string::npos);
  EXPECT_TRUE(
      HasLine(changed.out, std::string("tarnex_config_versions{") + kGuardedLabels + "} 1"));
  const auto files = HistoryFiles(kOpen);
  ASSERT_EQ(files.size(), 2u);
  const std::string newest = ReadFile(files.back());
  EXPECT_NE(newest.find("# Operation : changed elsewhere\n# Difference: "), std::string::npos)
      << newest;
  EXPECT_NE(WithoutNote(newest).find("198.51.100.230"), std::string::npos);
  for (const char* router : {kOpen, kGuarded})
    EXPECT_TRUE(WaitForState(router, NobodyRegistered)) << router;
  // A passwords file that others may read is refused before anything is sent.
  fs::permissions(dir / "passwords", fs::perms::group_read, fs::perm_options::add);
  Result refused = Cli(serve);
  EXPECT_EQ(refused.status, 3);
  EXPECT_NE(refused.err.find("chmod 600"), std::string::npos) << refused.err;
}

}  // namespace
