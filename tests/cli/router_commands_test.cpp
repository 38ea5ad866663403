// SPDX-License-Identifier: GPL-3.0-or-later
// The router commands of tarcfg-cli run in-process against the emulator's
// routers on a simulated network, the clock moved by hand.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "config/stop_signals.h"
#include "config/string_table.h"
#include "protocol/router_protocol.h"
#include "protocol/router_rules.h"
#include "sim/loaded_image.h"
#include "support/simulated_lan.h"

namespace tarcfg::cli {
namespace {

namespace fs = std::filesystem;
using testing::RouterFile;
using testing::SimulatedLan;

const char kRouters[] = R"(
[router]
label = open
hw = 00:60:1a:10:00:01
ip = 198.51.100.10
phone = 0301110
target = 198.51.100.200 0301234567 l2=x75 l3=null timeout=30
route = 255.255.255.0 10.0.1.0 198.51.100.200
filter = accept all 0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0
[router]
label = guarded
hw = 00:60:1a:10:00:02
ip = 198.51.100.11
password = secret
)";

// Moves the simulated network's clock up to each tick the session waits for.
class LanDriver : public Driver {
 public:
  explicit LanDriver(SimulatedLan& lan) : lan_(lan) {}
  std::int64_t NowMs() override { return static_cast<std::int64_t>(lan_.nowMs()); }
  void Wait(RouterProtocol& protocol, std::int64_t untilMs) override {
    lan_.Pump(protocol);
    if (seeAction_ &&
        !(lan_.SentByTool(seeCommand_).empty() && lan_.SentToTool(seeCommand_).empty())) {
      std::function<void()> action = std::move(seeAction_);
      seeAction_ = nullptr;
      action();
    }
    if (pauseMs_ > 0 && !lan_.SentByTool(pauseAfter_).empty()) {
      // The loop was held up right after that send (a prompt, a stopped
      // process): the clock jumps, nothing is taken meanwhile.
      lan_.AdvanceMs(static_cast<std::uint64_t>(pauseMs_));
      pauseMs_ = 0;
      return;
    }
    if (untilMs > NowMs())
      lan_.AdvanceMs(static_cast<std::uint64_t>(untilMs - NowMs()));
    lan_.Pump(protocol);
  }
  // Runs once after a pump in which `command` has gone out (or, for an
  // answer, come in).
  void AfterSeeing(std::uint16_t command, std::function<void()> action) {
    seeCommand_ = command;
    seeAction_ = std::move(action);
  }
  void PauseAfterSending(std::uint16_t command, std::int64_t ms) {
    pauseAfter_ = command;
    pauseMs_ = ms;
  }

 private:
  SimulatedLan& lan_;
  std::uint16_t seeCommand_ = 0;
  std::function<void()> seeAction_;
  std::uint16_t pauseAfter_ = 0;
  std::int64_t pauseMs_ = 0;
};

struct Output {
  int status = -1;
  std::string out;
  std::string err;
};

class RouterCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tarcfg_cli_inproc_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    std::ofstream(dir_ / "s.ini") << "[Settings]\nIpAddress=198.51.100.1\nNetMask=255.255.255.0\n"
                                     "NameResolve=0\nFirmwarePath="
                                  << dir_.string() << "\n";
    std::ofstream(dir_ / "tarcfg.pro") << "# no local protocols\n";
    ::setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (dir_ / "state").c_str(), 1);
    ::unsetenv("TARCFG_PASSWORD");
  }
  void TearDown() override { fs::remove_all(dir_); }

  Output Run(QStringList arguments) { return RunOn(lan_, driver_, arguments); }
  Output Run(QStringList arguments, SimulatedLan& lan, Driver& driver) {
    return RunOn(lan, driver, arguments);
  }
  Output RunOn(SimulatedLan& lan, Driver& driver, QStringList arguments) {
    Output result;
    std::ostringstream out, err;
    std::streambuf* oldOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf* oldErr = std::cerr.rdbuf(err.rdbuf());
    for (auto& command : AllCommands())
      if (command->name() == arguments.at(0))
        result.status =
            command->Run(QString::fromStdString((dir_ / "s.ini").string()), arguments, lan, driver);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  // new.cfg: the router's configuration as read, its route now to 10.9.0.0.
  void WriteChangedRoute() {
    const Output r = Run({"read", "198.51.100.10"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string text = r.out;
    const auto at = text.find("10.0.1.0");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 8, "10.9.0.0");
    std::ofstream(dir_ / "new.cfg") << text;
  }

  const tarnex_sim::Router& open() const { return lan_.router(0); }

  fs::path dir_;
  SimulatedLan lan_{RouterFile(kRouters)};
  LanDriver driver_{lan_};
};

TEST_F(RouterCommandsTest, ReadWritesTheRoutersTablesAndDeregisters) {
  const Output r = Run({"read", "198.51.100.10"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("# Router Name / IP-Address: 198.51.100.10"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Routing_Data:"), std::string::npos);
  EXPECT_NE(r.out.find("10.0.1.0"), std::string::npos);
  EXPECT_EQ(open().session, 0u);  // deregistered
}

TEST_F(RouterCommandsTest, ReadWithAWrongPasswordIsRefused) {
  const Output r = Run({"read", "198.51.100.11", "-p", "wrong"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tarcfg-cli: 198.51.100.11: " + std::string(LoadString(40000)) + "\n");
  EXPECT_EQ(r.out, "");
}

// However long the loop was held up (a password typed late), the ticks it
// missed are not run back to back against the request that just went out.
TEST_F(RouterCommandsTest, ALongPauseDoesNotCountAsMissedTicks) {
  // The routers answer a little later, so that the pause falls between the
  // password and its answer.
  SimulatedLan::Options options;
  options.faults.delayMs = 50;
  SimulatedLan lan{RouterFile(kRouters), options};
  LanDriver driver{lan};
  for (const int seconds : {3, 12, 45}) {
    SCOPED_TRACE(seconds);
    driver.PauseAfterSending(command::kPassword, seconds * 1000);
    lan.ClearLog();
    const Output r = Run({"read", "198.51.100.11", "-p", "secret"}, lan, driver);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Routing_Data:"), std::string::npos);
    EXPECT_EQ(lan.router(1).session, 0u);
  }
}

// A stop signal in the middle of a command, or its output closed, ends it
// through the deregistration, with the status of that signal.
TEST_F(RouterCommandsTest, StopSignalsEndCommandsThroughTheDeregistration) {
  struct Case {
    QStringList command;
    std::uint16_t after;  // the signal comes once this has gone out or come in
    int signal;
  };
  WriteChangedRoute();
  const QString changed = QString::fromStdString((dir_ / "new.cfg").string());
  for (const Case& c :
       {Case{{"read", "198.51.100.10"}, command::kReadTableEntry, SIGINT},
        Case{{"accounting", "198.51.100.10", "--reset"}, command::kReadAccounting, SIGTERM},
        Case{
            {"write", "198.51.100.10", changed, "--no-history"}, command::kWriteTableEntry, SIGHUP},
        Case{{"set", "198.51.100.11", "-p", "secret", "--phone", "1"}, command::kPassword, SIGINT},
        Case{{"status", "198.51.100.10", "--count", "0"}, command::kLineStatusReport, SIGPIPE}}) {
    const std::string name = c.command.join(' ').toStdString();
    // Caught even where the test runner was started with it ignored.
    if (c.signal != SIGPIPE)
      std::signal(c.signal, SIG_DFL);
    ASSERT_TRUE(StopSignals::Install());
    lan_.ClearLog();
    driver_.AfterSeeing(c.after, [&] {
      if (c.signal == SIGPIPE)
        std::cout.setstate(std::ios::badbit);  // the reader of the output has gone
      else
        std::raise(c.signal);
    });
    const Output r = Run(c.command);
    std::cout.clear();
    StopSignals::Uninstall();
    EXPECT_EQ(r.status, 128 + c.signal) << name << ": " << r.err;
    EXPECT_FALSE(lan_.SentByTool(command::kDeregister).empty()) << name;
    EXPECT_EQ(lan_.router(0).session, 0u) << name;
    EXPECT_EQ(lan_.router(1).session, 0u) << name;
    EXPECT_FALSE(lan_.router(0).monitoring) << name;
  }
}

TEST_F(RouterCommandsTest, SetChangesThePhoneNumberOnTheRouter) {
  const Output r = Run({"set", "198.51.100.10", "--phone", "0309999", "--no-history"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, std::string(LoadString(40111)) + "\n");
  EXPECT_EQ(open().config.phone, "0309999");
  EXPECT_EQ(open().session, 0u);
}

// The new password never needs to stand on the command line: it comes from
// the environment (--new-password without a value) or from standard input
// (--new-password -).
TEST_F(RouterCommandsTest, SetTakesTheNewPasswordFromTheEnvironmentOrStandardInput) {
  struct Case {
    QStringList options;
    const char* environment;  // $TARCFG_NEW_PASSWORD, or none
    const char* input;        // standard input, or none
    const char* expected;
  };
  for (const Case& c : {Case{{"--new-password"}, "fromenv", nullptr, "fromenv"},
                        Case{{"--new-password", "--phone", "0301110"}, "second", nullptr, "second"},
                        Case{{"--new-password", "-"}, nullptr, "piped\n", "piped"},
                        Case{{"--new-password=typed"}, nullptr, nullptr, "typed"}}) {
    const std::string name = c.options.join(' ').toStdString();
    if (c.environment)
      ::setenv("TARCFG_NEW_PASSWORD", c.environment, 1);
    else
      ::unsetenv("TARCFG_NEW_PASSWORD");
    const int savedInput = ::dup(STDIN_FILENO);
    if (c.input) {
      int pipeEnds[2];
      ASSERT_EQ(::pipe(pipeEnds), 0);
      ASSERT_EQ(::write(pipeEnds[1], c.input, std::strlen(c.input)),
                static_cast<ssize_t>(std::strlen(c.input)));
      ::close(pipeEnds[1]);
      ::dup2(pipeEnds[0], STDIN_FILENO);
      ::close(pipeEnds[0]);
    }
    const Output r = Run(QStringList{"set", "198.51.100.10", "--no-history"} + c.options);
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ::unsetenv("TARCFG_NEW_PASSWORD");
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(open().config.password, c.expected) << name;
    EXPECT_EQ(open().session, 0u) << name;
    // The next case registers with the password just set.
    ::setenv("TARCFG_PASSWORD", c.expected, 1);
  }
  ::unsetenv("TARCFG_PASSWORD");
}

TEST_F(RouterCommandsTest, SetWithNothingNewSendsNothing) {
  const Output r = Run({"set", "198.51.100.10", "--phone", "0301110"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Nothing to change.\n");
  EXPECT_EQ(open().session, 0u);
}

TEST_F(RouterCommandsTest, WriteDryRunListsTheChangesAndSendsNone) {
  WriteChangedRoute();
  const Output r =
      Run({"write", "198.51.100.10", (dir_ / "new.cfg").string().c_str(), "--dry-run"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("route 1 written: 255.255.255.0 10.9.0.0 198.51.100.200"), std::string::npos)
      << r.out;
  ASSERT_EQ(open().routes.size(), 1u);
  EXPECT_EQ(open().routes[0]->match, 0x0A000100u);  // 10.0.1.0 still
}

TEST_F(RouterCommandsTest, WriteKeepsTheHistoryAndRestoreWritesItBack) {
  WriteChangedRoute();
  const Output w = Run({"write", "198.51.100.10", (dir_ / "new.cfg").string().c_str()});
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_EQ(w.out, "1 entry sent\n");
  ASSERT_FALSE(open().routes.empty());
  EXPECT_EQ(open().routes[0]->match, 0x0A090000u);

  const Output h = Run({"history", "00:60:1a:10:00:01"});
  ASSERT_EQ(h.status, 0) << h.err;
  EXPECT_EQ(h.out.rfind("1  ", 0), 0u) << h.out;

  const Output r = Run({"restore", "198.51.100.10", "--last", "--no-history"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(open().routes[0]->match, 0x0A000100u);
}

TEST_F(RouterCommandsTest, AccountingAsJsonAndCsv) {
  const Output j = Run({"accounting", "198.51.100.10", "--json"});
  ASSERT_EQ(j.status, 0) << j.err;
  EXPECT_EQ(j.out.rfind("[\n {\"hostName\": \"198.51.100.200\", \"phoneNumber\": \"0301234567\", "
                        "\"charges\": ",
                        0),
            0u)
      << j.out;
  EXPECT_EQ(j.out.substr(j.out.size() - 3), "\n]\n");
  const Output c = Run({"accounting", "198.51.100.10", "--csv"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.out.rfind("hostName,phoneNumber,charges,callsOutgoing,callsIncoming,"
                        "packetsOutgoing,packetsIncoming,bytesOutgoing,bytesIncoming\n"
                        "198.51.100.200,0301234567,",
                        0),
            0u)
      << c.out;
  EXPECT_EQ(open().session, 0u);
}

TEST_F(RouterCommandsTest, ConnectDialsAndDisconnectDrops) {
  const Output c = Run({"connect", "198.51.100.10", "1"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(open().channels[0].state, 0) << "channel 1 is dialling";
  const Output d = Run({"disconnect", "198.51.100.10", "1"});
  ASSERT_EQ(d.status, 0) << d.err;
  const Output bad = Run({"connect", "198.51.100.10", "5"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "tarcfg-cli connect: the router has 1 line target\n");
  EXPECT_EQ(open().session, 0u);
}

TEST_F(RouterCommandsTest, StatusPrintsOneReportOfBothChannels) {
  const Output r = Run({"status", "198.51.100.10"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Channel 1: ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("\nChannel 2: "), std::string::npos);
  EXPECT_FALSE(open().monitoring);
}

TEST_F(RouterCommandsTest, BackupSavesEveryRouterOfTheScan) {
  const Output r = Run({"backup", "--dir", dir_.string().c_str(), "-p", "secret"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir_ / "198_51_100_10.cfg")) << r.out;
  EXPECT_TRUE(fs::exists(dir_ / "198_51_100_11.cfg"));
}

// A router that does not answer is named with what it did not do; a file a
// command needs is checked before anything goes out.
TEST_F(RouterCommandsTest, UnansweredRoutersAndMissingFilesAreNamed) {
  const std::string missing = (dir_ / "missing.cfg").string();
  const std::string cannotOpen =
      "tarcfg-cli: " + missing + ": cannot open file: No such file or directory\n";
  const QString file = QString::fromStdString(missing);
  struct Case {
    QStringList command;
    int status;
    std::string err;
  };
  for (const Case& c :
       {Case{{"set", "198.51.100.77", "--phone", "1"},
             1,
             "tarcfg-cli: 198.51.100.77: router did not answer the scan\n"},
        Case{{"read", "198.51.100.77"},
             1,
             "tarcfg-cli: 198.51.100.77: router did not answer (Error code: 8888)\n"},
        Case{{"write", "198.51.100.10", file}, 3, cannotOpen},
        Case{{"restore", "198.51.100.10", file}, 3, cannotOpen},
        Case{{"diff", "198.51.100.10", file}, 3, cannotOpen}}) {
    const std::string name = c.command.join(' ').toStdString();
    lan_.ClearLog();
    const Output r = Run(c.command);
    EXPECT_EQ(r.status, c.status) << name;
    EXPECT_EQ(r.err, c.err) << name;
    if (c.status == 3) {
      EXPECT_TRUE(lan_.SentByTool(command::kScanQuery).empty()) << name;
      EXPECT_TRUE(lan_.SentByTool(command::kRegister).empty()) << name;
    }
  }
}

// A router in its loader has no address to register with: every command
// that needs a registration says so at once instead of waiting for a time-out.
TEST_F(RouterCommandsTest, ARouterInItsLoaderIsRefusedAtOnce) {
  SimulatedLan lan{RouterFile("[router]\nhw = 00:60:1a:10:00:04\nip = loader\n")};
  LanDriver driver{lan};
  std::ofstream(dir_ / "any.cfg") << "Line_Targets:\nRouting_Data:\nFilter_Data:\n";
  const QString router = QStringLiteral("00-60-1a-10-00-04");
  for (const QStringList& command :
       {QStringList{"read", router}, QStringList{"connect", router, "1"},
        QStringList{"disconnect", router, "1"}, QStringList{"accounting", router},
        QStringList{"status", router},
        QStringList{"write", router, QString::fromStdString((dir_ / "any.cfg").string())},
        QStringList{"restore", router, QString::fromStdString((dir_ / "any.cfg").string())}}) {
    const std::uint64_t start = lan.nowMs();
    const Output r = Run(command, lan, driver);
    EXPECT_EQ(r.status, 1) << command.join(' ').toStdString();
    EXPECT_EQ(r.err,
              "tarcfg-cli: 00-60-1a-10-00-04: the router is in its loader and has no IP address; "
              "it cannot be registered with\n")
        << command.join(' ').toStdString();
    EXPECT_LT(lan.nowMs() - start, 20000u) << command.join(' ').toStdString();
    EXPECT_TRUE(lan.SentByTool(command::kRegister).empty());
  }
}

TEST_F(RouterCommandsTest, ScanAndStatusPrintTheirJsonExactly) {
  const Output scan = Run({"scan", "--json"});
  ASSERT_EQ(scan.status, 0) << scan.err;
  EXPECT_EQ(
      scan.out,
      "[\n {\"hardwareAddress\": \"00-60-1a-10-00-01\", \"name\": \"198.51.100.10\", "
      "\"address\": \"198.51.100.10\", \"registeredHost\": null, \"heldByOther\": false},\n"
      " {\"hardwareAddress\": \"00-60-1a-10-00-02\", \"name\": \"198.51.100.11\", "
      "\"address\": \"198.51.100.11\", \"registeredHost\": null, \"heldByOther\": false}\n]\n");

  const std::string idle =
      "\"state\": 0, \"stateText\": \"Not connected\", \"cause\": 0, \"remoteAddress\": "
      "\"0.0.0.0\", \"phoneNumber\": \"\", \"duration\": 0, \"charge\": 0, \"packetsOut\": 0, "
      "\"packetsIn\": 0}";
  const Output status = Run({"status", "198.51.100.10", "--json"});
  ASSERT_EQ(status.status, 0) << status.err;
  // Each report is one JSON object on a line of its own.
  const std::string report =
      "{\"channels\": [{\"channel\": 1, " + idle + ", {\"channel\": 2, " + idle + "]}\n";
  EXPECT_EQ(status.out.substr(0, report.size()), report) << status.out;
}

// `serve` that cannot listen returns early: its signal handlers are taken
// back and its signal pipe closed, however often that happens in a process.
TEST_F(RouterCommandsTest, ServeThatCannotListenLeavesNoHandlerOrDescriptorBehind) {
  const int busy = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(busy, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(busy, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(busy, 1), 0);
  ASSERT_EQ(::getsockname(busy, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const QString listen = "127.0.0.1:" + QString::number(ntohs(address.sin_port));
  auto descriptors = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  auto handler = [](int signal) {
    struct sigaction action {};
    ::sigaction(signal, nullptr, &action);
    return action.sa_handler;
  };
  const auto term = handler(SIGTERM), interrupt = handler(SIGINT);
  Run({"serve", "--listen", listen});  // whatever Qt sets up once
  const auto before = descriptors();
  for (int run = 0; run < 3; ++run)
    EXPECT_EQ(Run({"serve", "--listen", listen}).status, 1);
  EXPECT_EQ(descriptors(), before);
  EXPECT_EQ(handler(SIGTERM), term);
  EXPECT_EQ(handler(SIGINT), interrupt);
  ::close(busy);
}

// The JSON is UTF-8 whatever bytes a router's text holds: 8-bit texts are
// Latin-1, as the desktop tool shows them.
TEST(JsonWriterTest, EightBitTextsBecomeUtf8) {
  EXPECT_EQ(JsonObject().Add("name", "M\xFCnchen\t\xC3\xA9").str(),
            "{\"name\": \"M\xC3\xBCnchen\\t\xC3\x83\xC2\xA9\"}");
  EXPECT_EQ(JsonString("M\xC3\xBCnchen"), "\"M\xC3\xBCnchen\"");
}

TEST(RouterRulesTest, NetworkErrorsAndRefusalsGiveTheirMessages) {
  EXPECT_EQ(NetworkErrorMessageNumber(kStatusFlashFailed), 40101);
  EXPECT_EQ(NetworkErrorMessageNumber(kErrorDownloadFailed), 40102);
  EXPECT_EQ(NetworkErrorMessageNumber(kErrorLoaderNotFound), 40103);
  EXPECT_EQ(NetworkErrorMessageNumber(8888), 40100);
  EXPECT_EQ(NetworkErrorMessage(8888), FormatString(40100, 8888));
  RegistrationResult refused;
  refused.kind = RegistrationKind::Refused;
  refused.refusalCode = kRefusedHeldByOtherHost;
  refused.registeredHost = "198.51.100.2";
  EXPECT_EQ(RegistrationRefusalMessage(refused), FormatString(40007, "198.51.100.2"));
  refused.refusalCode = 42;
  EXPECT_EQ(RegistrationRefusalMessage(refused), FormatString(40006, 42));
}

// A line target whose protocols the tables lack cannot go into the image:
// firmware names it and sends nothing unless told to leave it out; the
// history copy holds it with the definition it needs.
TEST_F(RouterCommandsTest, FirmwareLeavesOutUndefinedProtocolsOnlyWhenTold) {
  SimulatedLan lan{RouterFile(R"(
[router]
label = odd
hw = 00:60:1a:10:00:05
ip = 198.51.100.12
phone = 0301110
target = 198.51.100.200 0301234567 l2=x75 l3=null timeout=30
target = 198.51.100.201 0309999 l2=1,1234,3,1,8,7 l3=null timeout=30
)")};
  LanDriver driver{lan};
  for (const char* name : {"fw_dss1.2.20", "fw_1tr6.2.20"}) {
    const auto image = tarnex_sim::MakeImage("2.20", name[3] == 'd' ? 1 : 0, 0x60000);
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
  }
  const fs::path history = dir_ / "state" / "tarcfg" / "history" / "00-60-1a-10-00-05";
  const Output refused = RunOn(lan, driver, {"firmware", "198.51.100.12", "--version", "2.20"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("  Line target 2: 198.51.100.201 0309999\nNothing was sent."),
            std::string::npos)
      << refused.err;
  EXPECT_FALSE(lan.router(0).firmware.applied);
  EXPECT_FALSE(fs::exists(history));

  const Output done = RunOn(
      lan, driver, {"firmware", "198.51.100.12", "--version", "2.20", "--drop-unknown-protocols"});
  ASSERT_EQ(done.status, 0) << done.err;
  EXPECT_TRUE(lan.router(0).firmware.applied);
  int onRouter = 0;
  for (const auto& slot : lan.router(0).lineTargets)
    onRouter += slot ? 1 : 0;
  EXPECT_EQ(onRouter, 1);
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(history))
    kept.push_back(entry.path().extension().string());
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{".add", ".cfg"}));
}

}  // namespace
}  // namespace tarcfg::cli
