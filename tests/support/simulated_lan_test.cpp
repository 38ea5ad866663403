// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/simulated_lan.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "config/address.h"
#include "config/net_database.h"
#include "protocol/router_protocol.h"
#include "protocol/transactions.h"
#include "sim/wire_codes.h"

namespace tarcfg::testing {
namespace {

// The tool and the emulator call every command by the same name, and the
// name stands for the same number on both sides.
static_assert(command::kAssignLoaderAddress == tarnex_sim::command::kAssignLoaderAddress);
static_assert(command::kDownloadBlock == tarnex_sim::command::kDownloadBlock);
static_assert(command::kRestart == tarnex_sim::command::kRestart);
static_assert(command::kEnterLoader == tarnex_sim::command::kEnterLoader);
static_assert(command::kDownloadOffer == tarnex_sim::command::kDownloadOffer);
static_assert(command::kLineStatusReport == tarnex_sim::command::kLineStatusReport);
static_assert(command::kRegister == tarnex_sim::command::kRegister);
static_assert(command::kDeregister == tarnex_sim::command::kDeregister);
static_assert(command::kPasswordRequest == tarnex_sim::command::kPasswordRequest);
static_assert(command::kChangePassword == tarnex_sim::command::kChangePassword);
static_assert(command::kReadTableEntry == tarnex_sim::command::kReadTableEntry);
static_assert(command::kReadAccounting == tarnex_sim::command::kReadAccounting);
static_assert(command::kConnect == tarnex_sim::command::kConnect);
static_assert(command::kDisconnect == tarnex_sim::command::kDisconnect);
static_assert(command::kStartLineMonitor == tarnex_sim::command::kStartLineMonitor);
static_assert(command::kStopLineMonitor == tarnex_sim::command::kStopLineMonitor);
static_assert(command::kWriteTableEntry == tarnex_sim::command::kWriteTableEntry);
static_assert(command::kWriteParameters == tarnex_sim::command::kWriteParameters);
static_assert(command::kRegistrationAccepted == tarnex_sim::command::kRegistrationAccepted);
static_assert(command::kRegistrationRefused == tarnex_sim::command::kRegistrationRefused);
static_assert(command::kPassword == tarnex_sim::command::kPassword);
static_assert(command::kPasswordChanged == tarnex_sim::command::kPasswordChanged);
static_assert(command::kTableEntry == tarnex_sim::command::kTableEntry);
static_assert(command::kAccountingEntry == tarnex_sim::command::kAccountingEntry);
static_assert(command::kTableEntryWritten == tarnex_sim::command::kTableEntryWritten);
static_assert(command::kParametersWritten == tarnex_sim::command::kParametersWritten);
static_assert(command::kScanAnswer == tarnex_sim::command::kScanAnswer);
static_assert(command::kOverviewAnswer == tarnex_sim::command::kOverviewAnswer);
static_assert(command::kScanQuery == tarnex_sim::command::kScanQuery);
static_assert(command::kOverviewQuery == tarnex_sim::command::kOverviewQuery);
static_assert(kAcknowledgeCommand == tarnex_sim::kAcknowledgeCommand);

constexpr std::uint32_t kWorkstation = 0xC6336401;  // 198.51.100.1
constexpr std::uint32_t kBroadcast = 0xC63364FF;
constexpr std::uint32_t kOpen = 0xC633640A;     // 198.51.100.10
constexpr std::uint32_t kGuarded = 0xC633640B;  // 198.51.100.11

const char kRouters[] = R"(
[router]
label = open
hw = 00:60:1a:10:00:01
ip = 198.51.100.10
phone = 0301110
target = 198.51.100.200 0301234567 l2=x75 l3=null timeout=30
route = 255.255.255.0 10.0.1.0 198.51.100.200
route = 255.255.0.0 10.2.0.0 198.51.100.200
filter = accept tcp 23 255.255.255.0 198.51.100.0 0.0.0.0 0.0.0.0
filter = accept all 0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0
[router]
label = guarded
hw = 00:60:1a:10:00:02
ip = 198.51.100.11
password = secret
[router]
label = loader
hw = 00:60:1a:10:00:03
ip = none
)";

std::vector<std::uint8_t> Message(std::uint16_t command, std::uint16_t sequence) {
  return {static_cast<std::uint8_t>(command >> 8), static_cast<std::uint8_t>(command),
          static_cast<std::uint8_t>(sequence >> 8), static_cast<std::uint8_t>(sequence)};
}

// The adapter on its own, driven as the transport would drive it.
TEST(SimulatedLanSocket, BroadcastReachesEveryRouterAndComesBackToTheSender) {
  SimulatedLan lan{RouterFile(kRouters)};
  ASSERT_EQ(lan.Open(1532), 0);
  EXPECT_EQ(lan.descriptor(), -1);
  ASSERT_EQ(lan.SendTo(kBroadcast, 1532, Message(0xF031, 0)), 0);
  // Our own copy first, then the three scan answers.
  ASSERT_EQ(lan.pending(), 4u);
  std::vector<std::uint8_t> buffer(2048);
  ReceivedDatagram own = lan.ReceiveFrom(buffer);
  EXPECT_EQ(own.sender, kWorkstation);
  EXPECT_EQ(own.length, 4);
  std::vector<std::uint32_t> senders;
  for (int i = 0; i < 3; ++i) {
    ReceivedDatagram answer = lan.ReceiveFrom(buffer);
    ASSERT_EQ(answer.length, 20);
    EXPECT_EQ(answer.senderPort, 1532);
    EXPECT_EQ(buffer[0] << 8 | buffer[1], 0x3031);
    senders.push_back(answer.sender);
  }
  // The loader has no address yet and answers from the emulator's own.
  EXPECT_EQ(senders, (std::vector<std::uint32_t>{kOpen, kGuarded, 0xC6336463}));
  EXPECT_EQ(lan.ReceiveFrom(buffer).length, -1);
  for (std::size_t router = 0; router < 3; ++router) {
    auto received = lan.ReceivedBy(router, 0xF031);
    ASSERT_EQ(received.size(), 1u) << router;
    EXPECT_EQ(received[0].from, kWorkstation);
    EXPECT_EQ(received[0].to, kBroadcast);
  }
  EXPECT_EQ(lan.SentByTool(0xF031).size(), 1u);
  EXPECT_EQ(lan.SentToTool(0x3031).size(), 3u);
}

TEST(SimulatedLanSocket, LimitedBroadcastAndUnicastReachWhatTheyWouldOnALan) {
  SimulatedLan lan{RouterFile(kRouters)};
  ASSERT_EQ(lan.Open(1532), 0);
  lan.SendTo(0xFFFFFFFF, 1532, Message(0xF031, 0));
  EXPECT_EQ(lan.pending(), 4u);
  lan.SendTo(kGuarded, 1532, Message(0xF031, 0));
  EXPECT_EQ(lan.pending(), 5u);
  EXPECT_EQ(lan.ReceivedBy(0, 0xF031).size(), 1u);
  EXPECT_EQ(lan.ReceivedBy(1, 0xF031).size(), 2u);
  // Another port: nobody listens there.
  lan.SendTo(kGuarded, 1533, Message(0xF031, 0));
  EXPECT_EQ(lan.pending(), 5u);
  EXPECT_EQ(lan.ReceivedBy(1, 0xF031).size(), 2u);
  EXPECT_EQ(lan.SentByTool(0xF031).size(), 3u);
}

TEST(SimulatedLanSocket, ShortBufferGetsTheFullLengthAndClosedSocketNothing) {
  SimulatedLan lan{RouterFile(kRouters)};
  std::vector<std::uint8_t> buffer(8);
  EXPECT_EQ(lan.SendTo(kOpen, 1532, Message(0xF031, 0)), EBADF);
  EXPECT_EQ(lan.ReceiveFrom(buffer).length, -1);
  lan.FailOpenWith(EADDRINUSE);
  EXPECT_EQ(lan.Open(1532), EADDRINUSE);
  lan.FailOpenWith(0);
  ASSERT_EQ(lan.Open(1532), 0);
  lan.FailSendsWith(ENETUNREACH);
  EXPECT_EQ(lan.SendTo(kOpen, 1532, Message(0xF031, 0)), ENETUNREACH);
  EXPECT_TRUE(lan.ReceivedBy(0, 0xF031).empty());
  lan.FailSendsWith(0);
  ASSERT_EQ(lan.SendTo(kOpen, 1532, Message(0xF031, 0)), 0);
  ReceivedDatagram answer = lan.ReceiveFrom(buffer);
  EXPECT_EQ(answer.length, 20);
  EXPECT_EQ(buffer[1], 0x31);
}

TEST(SimulatedLanSocket, ClockRunsEveryRepetitionAtItsOwnTime) {
  SimulatedLan lan{RouterFile(kRouters)};
  ASSERT_EQ(lan.Open(1532), 0);
  lan.SendTo(kOpen, 1532, Message(0x1001, 1));  // never acknowledged
  ASSERT_EQ(lan.pending(), 2u);                 // acknowledgement and acceptance
  lan.AdvanceMs(10000);                         // in one step
  EXPECT_EQ(lan.nowMs(), 10000u);
  auto accepted = lan.SentToTool(0x3001);
  ASSERT_EQ(accepted.size(), 4u);
  EXPECT_EQ(accepted[0].atMs, 0u);
  EXPECT_EQ(accepted[1].atMs, 2000u);
  EXPECT_EQ(accepted[2].atMs, 4000u);
  EXPECT_EQ(accepted[3].atMs, 6000u);
  EXPECT_EQ(lan.pending(), 5u);
}

TEST(SimulatedLanSocket, DelayedAnswersArriveWhenTheirTimeComes) {
  SimulatedLan::Options options;
  options.faults.delayMs = 300;
  SimulatedLan lan{RouterFile(kRouters), options};
  ASSERT_EQ(lan.Open(1532), 0);
  lan.SendTo(kOpen, 1532, Message(0xF031, 0));
  EXPECT_EQ(lan.pending(), 0u);
  lan.AdvanceMs(299);
  EXPECT_EQ(lan.pending(), 0u);
  lan.AdvanceMs(1);
  EXPECT_EQ(lan.pending(), 1u);
}

TEST(SimulatedLanSocket, SilencedRouterIsNotReached) {
  SimulatedLan lan{RouterFile(kRouters)};
  ASSERT_EQ(lan.Open(1532), 0);
  ASSERT_TRUE(lan.Silence(tarnex_sim::HardwareAddress{0x00, 0x60, 0x1a, 0x10, 0x00, 0x02}));
  lan.SendTo(kBroadcast, 1532, Message(0xF031, 0));
  EXPECT_EQ(lan.pending(), 3u);
  EXPECT_TRUE(lan.ReceivedBy(1, 0xF031).empty());
  ASSERT_TRUE(lan.Silence(1, false));
  lan.SendTo(kGuarded, 1532, Message(0xF031, 0));
  EXPECT_EQ(lan.pending(), 4u);
  EXPECT_FALSE(lan.Silence(7));
  EXPECT_FALSE(lan.Reboot(7));
}

TEST(SimulatedLanSocket, RouterFileErrorsNameTheLine) {
  try {
    RouterFile("[router]\nip = 300.1.2.3\n");
    FAIL() << "accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
  }
}

TEST(SimulatedLanSocket, RoutersAreFoundByAddressAndHardware) {
  SimulatedLan lan{RouterFile(kRouters)};
  EXPECT_EQ(lan.routerCount(), 3u);
  EXPECT_EQ(lan.RouterAt(kGuarded), std::optional<std::size_t>(1));
  EXPECT_EQ(lan.RouterAt(0), std::nullopt);
  EXPECT_EQ(lan.RouterWith(tarnex_sim::HardwareAddress{0x00, 0x60, 0x1a, 0x10, 0x00, 0x03}),
            std::optional<std::size_t>(2));
  EXPECT_EQ(lan.router(0).config.label, "open");
}

// The tool's protocol core on the simulated LAN.
class SimulatedLanProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    addresses.SetNameResolve(false);
    settings.ownAddress = kWorkstation;
    settings.netMask = 0xFFFFFF00;
    std::string pattern = ::testing::TempDir() + "tarcfg-simlan-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    settings.firmwarePath = pattern;
    protocol = std::make_unique<RouterProtocol>(lan, settings, tables, addresses);
    ASSERT_EQ(protocol->OpenRouterProtocol([this](int code) { errors.push_back(code); },
                                           lan.broadcastAddress()),
              0);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(settings.firmwarePath, ignored);
  }
  RouterProtocol::RegistrationCallback Recorder() {
    return [this](const RegistrationResult& r) { results.push_back(r); };
  }
  // Registers with the guarded router through its password challenge.
  void RegisterGuarded() {
    results.clear();
    protocol->Register(Recorder(), kGuarded);
    lan.Pump(*protocol);
    ASSERT_EQ(results.size(), 1u);
    ASSERT_EQ(results[0].kind, RegistrationKind::PasswordRequested);
    protocol->SendPassword(results[0].challengeSequence, "secret", results[0].seed);
    lan.Pump(*protocol);
    ASSERT_EQ(results.size(), 2u);
    ASSERT_EQ(results[1].kind, RegistrationKind::Accepted);
  }

  SimulatedLan lan{RouterFile(kRouters)};
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  GuiSettings settings;
  std::unique_ptr<RouterProtocol> protocol;
  std::vector<int> errors;
  std::vector<RegistrationResult> results;
};

TEST_F(SimulatedLanProtocolTest, ScanFindsTheRoutersOfTheRouterFile) {
  std::vector<ScanAnswer> answers;
  protocol->ScanNetwork([&](const ScanAnswer& a) { answers.push_back(a); });
  lan.Pump(*protocol);
  for (int second = 0; second < 6 && (answers.empty() || answers.back().end == 0); ++second)
    lan.Tick(*protocol);
  ASSERT_FALSE(answers.empty());
  EXPECT_EQ(answers.back().end, 1);
  std::map<std::uint8_t, std::uint32_t> found;  // last hardware byte -> address
  for (const ScanAnswer& a : answers)
    if (a.end == 0)
      found[a.hardwareAddress[5]] = a.routerAddress;
  EXPECT_EQ(found, (std::map<std::uint8_t, std::uint32_t>{{1, kOpen}, {2, kGuarded}, {3, 0}}));
  // The scan went out as broadcasts, and each reached every router.
  auto queries = lan.SentByTool(command::kScanQuery);
  ASSERT_GE(queries.size(), 1u);
  EXPECT_EQ(queries[0].to, kBroadcast);
  for (std::size_t router = 0; router < 3; ++router)
    EXPECT_EQ(lan.ReceivedBy(router, command::kScanQuery).size(), queries.size());
  EXPECT_TRUE(errors.empty());
}

TEST_F(SimulatedLanProtocolTest, RegistersWithAnOpenRouterAndReadsItsConfiguration) {
  protocol->Register(Recorder(), kOpen);
  lan.Pump(*protocol);
  ASSERT_EQ(results.size(), 1u);
  ASSERT_EQ(results[0].kind, RegistrationKind::Accepted);
  EXPECT_EQ(results[0].lineTargetCount, 1);
  EXPECT_EQ(results[0].routeCount, 2);
  EXPECT_EQ(results[0].filterCount, 2);
  EXPECT_EQ(results[0].phoneNumber, "0301110");
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
  EXPECT_EQ(lan.router(0).session, kWorkstation);

  std::optional<Configuration> read;
  protocol->ReadConfiguration(results[0].lineTargetCount, results[0].routeCount,
                              results[0].filterCount, [&](Configuration& c) { read = c.Clone(); });
  lan.Pump(*protocol);
  ASSERT_TRUE(read.has_value());
  ASSERT_EQ(read->lineTargets.count(), 1);
  EXPECT_EQ(read->lineTargets.NodeAt(1)->hostName, "198.51.100.200");
  EXPECT_EQ(read->lineTargets.NodeAt(1)->phoneNumber, "0301234567");
  EXPECT_EQ(read->lineTargets.NodeAt(1)->timeout, 30);
  ASSERT_EQ(read->routes.count(), 2);
  EXPECT_EQ(read->routes.NodeAt(2)->match, "10.2.0.0");
  ASSERT_EQ(read->filters.count(), 2);
  EXPECT_EQ(read->filters.NodeAt(1)->port, 23);
  EXPECT_TRUE(IsDefaultFilter(*read->filters.NodeAt(2)));
  EXPECT_EQ(lan.ReceivedBy(0, command::kReadTableEntry).size(), 5u);
  EXPECT_TRUE(errors.empty());

  protocol->Deregister();
  lan.Pump(*protocol);
  EXPECT_EQ(lan.ReceivedBy(0, command::kDeregister).size(), 1u);
  EXPECT_EQ(lan.router(0).session, 0u);
}

TEST_F(SimulatedLanProtocolTest, RegistersWithAGuardedRouterThroughItsChallenge) {
  RegisterGuarded();
  EXPECT_EQ(lan.router(1).session, kWorkstation);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SimulatedLanProtocolTest, RegistrationRequestLostToARebootIsRepeatedIntoTheRestartedRouter) {
  ASSERT_TRUE(lan.Reboot(0));
  protocol->Register(Recorder(), kOpen);
  lan.Pump(*protocol);
  EXPECT_TRUE(lan.ReceivedBy(0, command::kRegister).empty());  // restarting
  for (int second = 0; second < 10 && results.empty(); ++second)
    lan.Tick(*protocol);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, RegistrationKind::Accepted);
  auto registrations = lan.ReceivedBy(0, command::kRegister);
  ASSERT_EQ(registrations.size(), 1u);
  EXPECT_GE(registrations[0].atMs, 1500u);  // the repetition, once the router was back
  EXPECT_EQ(lan.router(0).session, kWorkstation);
}

TEST_F(SimulatedLanProtocolTest, RebootDuringAPasswordPromptThenRegisteringAgain) {
  protocol->Register(Recorder(), kGuarded);
  lan.Pump(*protocol);
  ASSERT_EQ(results.size(), 1u);
  ASSERT_EQ(results[0].kind, RegistrationKind::PasswordRequested);
  // The router is power cycled while the user types the password.
  ASSERT_TRUE(lan.Reboot(1));
  protocol->SendPassword(results[0].challengeSequence, "secret", results[0].seed);
  lan.Pump(*protocol);
  EXPECT_TRUE(lan.ReceivedBy(1, command::kPassword).empty());  // it was restarting
  lan.Tick(*protocol, 10);
  // The repetition reached the restarted router, which has no challenge
  // open any more and so neither accepts nor refuses.
  auto passwords = lan.ReceivedBy(1, command::kPassword);
  ASSERT_EQ(passwords.size(), 1u);
  EXPECT_GE(passwords[0].atMs, 1500u);
  EXPECT_TRUE(lan.SentToTool(command::kRegistrationAccepted).empty());
  EXPECT_TRUE(lan.SentToTool(command::kRegistrationRefused).empty());
  EXPECT_EQ(lan.router(1).session, 0u);

  EXPECT_EQ(protocol->state(), ProtocolState::PasswordRequested);
}

// The restarted router's first challenge is numbered 1 again, like the one
// before the reboot; it must not be taken for a repetition of the old one.
TEST_F(SimulatedLanProtocolTest, RegisteringAgainWithARebootedRouterThatNumbersFromOne) {
  protocol->Register(Recorder(), kGuarded);
  lan.Pump(*protocol);
  ASSERT_EQ(results.size(), 1u);
  ASSERT_TRUE(lan.Reboot(1));
  lan.Tick(*protocol, 2);
  protocol->AbandonPasswordPrompt();
  RegisterGuarded();
  auto challenges = lan.SentToTool(command::kPasswordRequest);
  ASSERT_EQ(challenges.size(), 2u);
  EXPECT_EQ(challenges[0].sequence, 1);
  EXPECT_EQ(challenges[1].sequence, 1);
  EXPECT_EQ(lan.router(1).session, kWorkstation);
}

}  // namespace
}  // namespace tarcfg::testing
