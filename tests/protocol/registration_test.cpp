// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "protocol/protocol_fixture.h"
#include "protocol/router_protocol_test_peer.h"

namespace tarcfg::testing {
namespace {

std::array<std::uint8_t, 10> Scrambled(const char* text, std::uint16_t seed) {
  std::array<std::uint8_t, 10> in{}, out{};
  for (std::size_t i = 0; i < 10 && text[i] != '\0'; ++i)
    in[i] = static_cast<std::uint8_t>(text[i]);
  ScramblePassword(out.data(), in.data(), seed);
  return out;
}

TEST(ScramblePassword, KeyStreamFromSeedZero) {
  const std::array<std::uint8_t, 10> expected{0x21, 0x78, 0x5B, 0x0F, 0x49,
                                              0xE0, 0x6A, 0x36, 0xAE, 0xE7};
  EXPECT_EQ(Scrambled("", 0), expected);
}

TEST(ScramblePassword, Seeds0And256And257ScrambleAlike) {
  EXPECT_EQ(Scrambled("secret", 0), Scrambled("secret", 256));
  EXPECT_EQ(Scrambled("secret", 0), Scrambled("secret", 257));
  EXPECT_NE(Scrambled("secret", 0), Scrambled("secret", 1));
}

class RegistrationTest : public ProtocolTest {
 protected:
  ScriptedRouter router{network, kRouterAddress};
  std::function<void(const RegistrationResult&)> Record() {
    return [this](const RegistrationResult& r) { results.push_back(r); };
  }
  // Register and let the router ask for a password with `seed`.
  void ReachPasswordPrompt(std::uint16_t seed = 0x1234) {
    router.On(command::kRegister, [this, seed](const Message&) {
      router.Send(command::kPasswordRequest,
                  Bytes{static_cast<std::uint8_t>(seed >> 8), static_cast<std::uint8_t>(seed)});
    });
    protocol->Register(Record(), kRouterAddress);
    Pump();
    ASSERT_EQ(protocol->state(), ProtocolState::PasswordRequested);
  }
};

TEST_F(RegistrationTest, PasswordChallengeAndAcceptance) {
  ReachPasswordPrompt(0x1234);
  ASSERT_EQ(SentCommand(command::kRegister).size(), 1u);
  EXPECT_EQ(SentCommand(command::kRegister)[0].sequence, 1);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, RegistrationKind::PasswordRequested);
  EXPECT_EQ(results[0].seed, 0x1234);
  EXPECT_EQ(results[0].challengeSequence, router.lastSequence());

  router.On(command::kPassword, [this](const Message&) {
    router.Send(command::kRegistrationAccepted, AcceptedPayload(3, 2, 1));
  });
  protocol->SendPassword(results[0].challengeSequence, "secret", 0x1234);
  Pump();
  auto password = router.Received(command::kPassword);
  ASSERT_EQ(password.size(), 1u);
  EXPECT_EQ(password[0].sequence, 2);
  EXPECT_EQ(password[0].payload,
            (Bytes{0x00, 0x01, 0x09, 0x05, 0x7F, 0x18, 0x53, 0xDA, 0xE7, 0x7C, 0x65, 0x29}));
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
  EXPECT_EQ(protocol->registeredRouter(), kRouterAddress);
  EXPECT_EQ(RouterProtocolTestPeer::peerFilter(*protocol), kRouterAddress);
  ASSERT_EQ(results.size(), 2u);
  const RegistrationResult& accepted = results[1];
  EXPECT_EQ(accepted.kind, RegistrationKind::Accepted);
  EXPECT_EQ(accepted.lineTargetCount, 3);
  EXPECT_EQ(accepted.routeCount, 2);
  EXPECT_EQ(accepted.filterCount, 1);
  EXPECT_EQ(accepted.netmask, "255.255.255.0");
  EXPECT_EQ(accepted.phoneNumber, "0301234");
  EXPECT_EQ(accepted.dChannelProtocol, 1);
  EXPECT_EQ(accepted.firmwareVersion, "2.10");
}

TEST_F(RegistrationTest, PasswordOfTenCharactersGoesWithoutTerminatorAndElevenIsNotSent) {
  ReachPasswordPrompt(0);
  protocol->SendPassword(1, "abcdefghijk", 0);
  Pump();
  EXPECT_TRUE(router.Received(command::kPassword).empty());
  protocol->SendPassword(1, "abcdefghij", 0);
  Pump();
  auto sent = router.Received(command::kPassword);
  ASSERT_EQ(sent.size(), 1u);
  auto expected = Scrambled("abcdefghij", 0);
  EXPECT_EQ(Bytes(sent[0].payload.begin() + 2, sent[0].payload.end()),
            Bytes(expected.begin(), expected.end()));
  EXPECT_NE(expected[9], Scrambled("abcdefghi", 0)[9]);
}

TEST_F(RegistrationTest, AcceptanceWithEightBytesHasEmptyTexts) {
  router.On(command::kRegister, [this](const Message&) {
    router.Send(command::kRegistrationAccepted, AcceptedPayload(1, 0, 0, false));
  });
  protocol->Register(Record(), kRouterAddress);
  Pump();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, RegistrationKind::Accepted);
  EXPECT_EQ(results[0].lineTargetCount, 1);
  EXPECT_EQ(results[0].netmask, "");
  EXPECT_EQ(results[0].firmwareVersion, "");
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(RegistrationTest, AcceptanceOneByteShortEndsAttemptSilentlyAndTellsAbandoned) {
  int abandoned = 0;
  protocol->SetRegistrationAbandonedCallback([&] { ++abandoned; });
  router.On(command::kRegister,
            [this](const Message&) { router.Send(command::kRegistrationAccepted, Bytes(7, 0)); });
  protocol->Register(Record(), kRouterAddress);
  Pump();
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(abandoned, 1);
}

TEST_F(RegistrationTest, PasswordRequestOfThreeBytesReturnsToIdleWithoutMessage) {
  int abandoned = 0;
  protocol->SetRegistrationAbandonedCallback([&] { ++abandoned; });
  router.On(command::kRegister, [this](const Message&) {
    router.Send(command::kPasswordRequest, Bytes{0, 1, 2});
  });
  protocol->Register(Record(), kRouterAddress);
  Pump();
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(abandoned, 1);
  // The request, the acknowledgement of the router's message and the
  // release of the candidate.
  ASSERT_EQ(Sent().size(), 3u);
  EXPECT_EQ(Sent().back().command, command::kDeregister);
}

TEST_F(RegistrationTest, CancelAtPasswordPromptReturnsToIdleAndOnlyLetsTheRouterGo) {
  ReachPasswordPrompt();
  std::size_t before = Sent().size();
  protocol->AbandonPasswordPrompt();
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  ASSERT_EQ(Sent().size(), before + 1);
  EXPECT_EQ(Sent().back().command, command::kDeregister);
  protocol->SendPassword(1, "x", 0);
  EXPECT_EQ(Sent().size(), before + 1);
}

TEST_F(RegistrationTest, RegisterOnlyFromIdleAndNeverToZeroOrBroadcast) {
  protocol->Register(Record(), 0);
  protocol->Register(Record(), kBroadcast);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  router.acknowledge = false;
  protocol->Register(Record(), kRouterAddress);
  protocol->Register(Record(), kOtherRouter);
  EXPECT_EQ(Sent().size(), 1u);
  EXPECT_EQ(protocol->candidateRouter(), kRouterAddress);
}

TEST_F(RegistrationTest, MessageFromAnotherSenderIsDroppedWhileRegistering) {
  ScriptedRouter other(network, kOtherRouter);
  router.acknowledge = false;
  protocol->Register(Record(), kRouterAddress);
  other.Send(command::kRegistrationAccepted, AcceptedPayload(0, 0, 0));
  Pump();
  EXPECT_EQ(protocol->state(), ProtocolState::Registering);
  EXPECT_TRUE(results.empty());
}

TEST_F(RegistrationTest, RefusalWithCodeAndHolder) {
  router.On(command::kRegister, [this](const Message&) {
    router.Send(command::kRegistrationRefused, Bytes{0, 0, 0, 4, 10, 0, 0, 7});
  });
  protocol->Register(Record(), kRouterAddress);
  Pump();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].kind, RegistrationKind::Refused);
  EXPECT_EQ(results[0].refusalCode, 4);
  EXPECT_EQ(results[0].registeredHost, "10.0.0.7");
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(RegistrationTest, RefusalWithoutAllFourHostBytesHasEmptyHost) {
  for (std::size_t length : {4u, 5u, 7u}) {
    results.clear();
    router.On(command::kRegister, [this, length](const Message&) {
      Bytes payload{0, 0, 0, 4, 10, 0, 0};
      payload.resize(length);
      router.Send(command::kRegistrationRefused, payload);
    });
    protocol->Register(Record(), kRouterAddress);
    Pump();
    ASSERT_EQ(results.size(), 1u) << length;
    EXPECT_EQ(results[0].refusalCode, 4);
    EXPECT_EQ(results[0].registeredHost, "") << length;
  }
}

TEST_F(RegistrationTest, RefusalOfThreeBytesEndsAttemptSilently) {
  router.On(command::kRegister, [this](const Message&) {
    router.Send(command::kRegistrationRefused, Bytes{0, 0, 4});
  });
  protocol->Register(Record(), kRouterAddress);
  Pump();
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(RegistrationTest, RefusalInIdleIsIgnored) {
  router.Send(command::kRegistrationRefused, Bytes{0, 0, 0, 3});
  Pump();
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(RegistrationTest, RegisteredOnlyCommandIsDroppedBeforeRegistration) {
  protocol->StartLineMonitor([](const LineStatus&) {});
  router.Send(command::kPasswordChanged, Bytes{0, 0, 0, 0});
  router.Send(0x7777, Bytes{});  // unknown: ends nothing in Idle
  Pump();
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(SentCommand(command::kDeregister).empty());
}

TEST_F(RegistrationTest, FirstSendFailureReportsTransportErrorThenMinusOne) {
  socket.FailSendsWith(ENETDOWN);
  protocol->Register(Record(), kRouterAddress);
  EXPECT_EQ(errors, (std::vector<int>{1, -1}));
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(RegistrationTest, DeregisterSendsUnnumbered1003AndEndsSession) {
  RegisterWith(router);
  protocol->Deregister();
  auto sent = router.Received(command::kDeregister);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].sequence, 0);
  EXPECT_TRUE(sent[0].payload.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_EQ(RouterProtocolTestPeer::peerFilter(*protocol), 0u);
  EXPECT_FALSE(RouterProtocolTestPeer::sessionRegistered(*protocol));
}

TEST_F(RegistrationTest, UnknownCommandFromRegisteredRouterDeregistersWith9999) {
  RegisterWith(router);
  router.Send(0x7777, Bytes{1, 2});
  Pump();
  auto sent = router.Received(command::kDeregister);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].payload, (Bytes{0x27, 0x0F}));
  EXPECT_EQ(errors, std::vector<int>{kResultUnknownCommand});
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(RegistrationTest, TransportErrorEndsRegistrationAndLetsTheRouterGo) {
  RegisterWith(router);
  router.acknowledge = false;
  protocol->StartLineMonitor([](const LineStatus&) {});
  Tick(12);
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_FALSE(protocol->lineMonitorActive());
  ASSERT_EQ(router.Received(command::kDeregister).size(), 1u);
  EXPECT_EQ(router.Received(command::kDeregister)[0].payload, (Bytes{0x22, 0xB8}));
  EXPECT_EQ(RouterProtocolTestPeer::peerFilter(*protocol), 0u);
}

// Every way this host stops using a router it registered with, or was
// registering with, tells the router: 0x1003 at once and on each of the next
// ticks, kTiming.releaseSends in all, and nothing after that.
class ReleaseTest : public RegistrationTest,
                    public ::testing::WithParamInterface<void (ReleaseTest::*)()> {
 public:
  void Deregistered() {
    RegisterWith(router);
    protocol->Deregister();
  }
  void RequestNeverAcknowledged() {
    RegisterWith(router);
    router.acknowledge = false;
    protocol->ReadLineTargets(nullptr, 1);
    Tick(12);
  }
  void AnswerNeverCame() {
    RegisterWith(router);
    protocol->ReadLineTargets(nullptr, 1);
    Pump();
    Tick(kTiming.answerTimeout() + 1);
  }
  void RegistrationNeverAnswered() {
    protocol->Register(Record(), kRouterAddress);
    Pump();
    Tick(kTiming.answerTimeout() + 1);
  }
  void PasswordPromptCancelled() {
    ReachPasswordPrompt();
    protocol->AbandonPasswordPrompt();
  }
  void PasswordAnswerNeverAnswered() {
    ReachPasswordPrompt();
    protocol->SendPassword(results[0].challengeSequence, "secret", 0x1234);
    Pump();
    Tick(kTiming.answerTimeout() + 1);
  }
  void AcceptanceTooShort() {
    router.On(command::kRegister,
              [this](const Message&) { router.Send(command::kRegistrationAccepted, Bytes(7, 0)); });
    protocol->Register(Record(), kRouterAddress);
    Pump();
  }
  std::size_t Releases() { return router.Received(command::kDeregister).size(); }
};

TEST_P(ReleaseTest, RouterIsToldThreeTimesATickApart) {
  (this->*GetParam())();
  ASSERT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_EQ(Releases(), 1u);
  Tick();
  EXPECT_EQ(Releases(), 2u);
  Tick();
  EXPECT_EQ(Releases(), static_cast<std::size_t>(kTiming.releaseSends));
  Tick(5);
  EXPECT_EQ(Releases(), static_cast<std::size_t>(kTiming.releaseSends));
  EXPECT_FALSE(protocol->releasePending());
}

TEST_P(ReleaseTest, RegisteringAgainStopsTheRepetitions) {
  (this->*GetParam())();
  router.Forget(command::kRegister);
  protocol->Register(Record(), kRouterAddress);
  Tick(3);
  EXPECT_EQ(Releases(), 1u);
  EXPECT_EQ(protocol->state(), ProtocolState::Registering);
}

TEST_P(ReleaseTest, AnExitSendsTheRestAtOnce) {
  (this->*GetParam())();
  protocol->FinishReleases();
  EXPECT_EQ(Releases(), static_cast<std::size_t>(kTiming.releaseSends));
  EXPECT_FALSE(protocol->releasePending());
}

using Stop = void (ReleaseTest::*)();

const char* NameOf(Stop stop) {
  static const std::pair<Stop, const char*> kNames[] = {
      {&ReleaseTest::Deregistered, "Deregistered"},
      {&ReleaseTest::RequestNeverAcknowledged, "RequestNeverAcknowledged"},
      {&ReleaseTest::AnswerNeverCame, "AnswerNeverCame"},
      {&ReleaseTest::RegistrationNeverAnswered, "RegistrationNeverAnswered"},
      {&ReleaseTest::PasswordPromptCancelled, "PasswordPromptCancelled"},
      {&ReleaseTest::PasswordAnswerNeverAnswered, "PasswordAnswerNeverAnswered"},
      {&ReleaseTest::AcceptanceTooShort, "AcceptanceTooShort"}};
  for (const auto& [known, name] : kNames)
    if (known == stop)
      return name;
  return "unnamed";
}

// The way of stopping by its name, in the test's name and in its parameter
// (not a dump of the member pointer's bytes).
void PrintTo(Stop stop, std::ostream* os) {
  *os << NameOf(stop);
}

struct StopName {
  std::string operator()(const ::testing::TestParamInfo<Stop>& info) const {
    return NameOf(info.param);
  }
};

INSTANTIATE_TEST_SUITE_P(
    EveryWayOfStopping, ReleaseTest,
    ::testing::Values(&ReleaseTest::Deregistered, &ReleaseTest::RequestNeverAcknowledged,
                      &ReleaseTest::AnswerNeverCame, &ReleaseTest::RegistrationNeverAnswered,
                      &ReleaseTest::PasswordPromptCancelled,
                      &ReleaseTest::PasswordAnswerNeverAnswered, &ReleaseTest::AcceptanceTooShort),
    StopName());

TEST_F(RegistrationTest, AcceptanceAfterGivingUpIsLetGo) {
  protocol->Register(Record(), kRouterAddress);
  Pump();
  Tick(kTiming.answerTimeout() + 1 + 5);
  ASSERT_EQ(router.Received(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends));
  router.Send(command::kRegistrationAccepted, AcceptedPayload(1, 0, 0));
  Pump();
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_EQ(router.Received(command::kDeregister).size(),
            static_cast<std::size_t>(kTiming.releaseSends) + 1);
  EXPECT_TRUE(results.empty());
}

TEST_F(RegistrationTest, TransportErrorInIdleIsIgnored) {
  RouterProtocolTestPeer::OnTransportError(*protocol, 8888);
  EXPECT_TRUE(errors.empty());
}

TEST_F(RegistrationTest, AbortWithDownloadCodeFromNobodyEndsAndReports) {
  RegisterWith(router);
  protocol->ReadLineTargets(nullptr, 1);
  RouterProtocolTestPeer::AbortRegistration(*protocol, 0, 7);  // not the router, not 13/14: nothing
  EXPECT_EQ(protocol->state(), ProtocolState::Transferring);
  RouterProtocolTestPeer::AbortRegistration(*protocol, 0, kErrorDownloadFailed);
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});
  EXPECT_TRUE(router.Received(command::kDeregister).empty());
}

TEST_F(RegistrationTest, ChangePasswordSendsSeedFlagAndBothScrambledPasswords) {
  RegisterWith(router);
  protocol->SetSeedSource([] { return std::uint16_t{0x1234}; });
  int done = 0;
  router.On(command::kChangePassword, [this](const Message&) {
    router.Send(command::kPasswordChanged, Bytes{0, 0, 0, 0});
  });
  protocol->ChangePassword([&] { ++done; }, "newpass", "secret", true);
  Pump();
  auto sent = router.Received(command::kChangePassword);
  ASSERT_EQ(sent.size(), 1u);
  Bytes expected{0x12, 0x34, 0xFF};
  auto fresh = Scrambled("newpass", 0x1234);
  auto current = Scrambled("secret", 0x1234);
  expected.insert(expected.end(), fresh.begin(), fresh.end());
  expected.insert(expected.end(), current.begin(), current.end());
  EXPECT_EQ(sent[0].payload, expected);
  EXPECT_EQ(done, 1);
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(RegistrationTest, RefusedPasswordChangeDeregistersWithStatus) {
  RegisterWith(router);
  int done = 0;
  router.On(command::kChangePassword, [this](const Message&) {
    router.Send(command::kPasswordChanged, Bytes{0, 0, 0, 5});
  });
  protocol->ChangePassword([&] { ++done; }, "a", "b", false);
  Pump();
  EXPECT_EQ(done, 0);
  EXPECT_EQ(errors, std::vector<int>{5});
  auto sent = router.Received(command::kDeregister);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].payload, (Bytes{0, 5}));
}

TEST_F(RegistrationTest, PasswordChangeAnswerOfThreeBytesEndsWith7) {
  RegisterWith(router);
  router.On(command::kChangePassword, [this](const Message&) {
    router.Send(command::kPasswordChanged, Bytes{0, 0, 0});
  });
  protocol->ChangePassword(nullptr, "a", "b", false);
  Pump();
  EXPECT_EQ(errors, std::vector<int>{kResultMalformed});
}

// --- Discovery -----------------------------------------------------------

Bytes ScanPayload(std::uint32_t address, std::uint8_t lastMac, std::uint32_t holder = 0) {
  WireWriter out;
  out.U16(0).U8(0).U8(0x11).U8(0x22).U8(0x33).U8(0x44).U8(lastMac).U32(address).U32(holder);
  return out.Take();
}

TEST_F(RegistrationTest, ScanSendsThreeQueriesAndEndsOnTheFourthTick) {
  std::vector<ScanAnswer> answers;
  protocol->ScanNetwork([&](const ScanAnswer& a) { answers.push_back(a); });
  EXPECT_EQ(SentCommand(command::kScanQuery).size(), 1u);
  EXPECT_EQ(Sent()[0].to, kBroadcast);
  EXPECT_EQ(Sent()[0].sequence, 0);
  router.Send(command::kScanAnswer, ScanPayload(kRouterAddress, 0x55, kOtherRouter), false);
  Pump();
  Tick(2);
  EXPECT_EQ(SentCommand(command::kScanQuery).size(), 2u);
  Tick(1);
  EXPECT_EQ(SentCommand(command::kScanQuery).size(), 3u);
  EXPECT_EQ(answers.size(), 1u);
  Tick(1);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].end, 0);
  EXPECT_EQ(answers[0].routerAddress, kRouterAddress);
  EXPECT_EQ(answers[0].hardwareAddress, (HardwareAddress{0, 0x11, 0x22, 0x33, 0x44, 0x55}));
  EXPECT_EQ(answers[0].registeredHost, kOtherRouter);
  EXPECT_EQ(answers[1].end, 1);
  router.Send(command::kScanAnswer, ScanPayload(kRouterAddress, 0x55), false);
  Pump();
  EXPECT_EQ(answers.size(), 2u);  // after the end: dropped
}

TEST_F(RegistrationTest, ScanAnswerOf16BytesIsAcceptedAnd15Refused) {
  std::vector<ScanAnswer> answers;
  protocol->ScanNetwork([&](const ScanAnswer& a) { answers.push_back(a); });
  Bytes payload = ScanPayload(kRouterAddress, 1);
  payload.pop_back();
  router.Send(command::kScanAnswer, payload, false);
  router.Send(command::kScanAnswer, ScanPayload(kRouterAddress, 1), false);
  Pump();
  EXPECT_EQ(answers.size(), 1u);
}

TEST_F(RegistrationTest, ScanOutsideIdleIsIgnored) {
  RegisterWith(router);
  network.ClearLog();
  bool called = false;
  protocol->ScanNetwork([&](const ScanAnswer&) { called = true; });
  Tick(5);
  EXPECT_TRUE(SentCommand(command::kScanQuery).empty());
  EXPECT_FALSE(called);
}

TEST_F(RegistrationTest, OverviewDecodesAndEndsAfterTheThirdTick) {
  std::vector<OverviewAnswer> answers;
  protocol->QueryRouterOverview([&](const OverviewAnswer& a) { answers.push_back(a); });
  WireWriter full;
  full.U16(0).U8(3).U32(0x0A000063).Text("berlin", 20).U8(7).U32(0).Text("", 20);
  Bytes shortAnswer = full.bytes();
  full.U8(1).U8(2).Text("2.10", 10);
  router.Send(command::kOverviewAnswer, full.bytes(), false);
  router.Send(command::kOverviewAnswer, shortAnswer, false);
  Bytes tooShort(shortAnswer.begin(), shortAnswer.end() - 1);
  router.Send(command::kOverviewAnswer, tooShort, false);
  Pump();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].routerAddress, kRouterAddress);
  EXPECT_EQ(answers[0].channels[0].state, 3);
  EXPECT_EQ(answers[0].channels[0].remoteAddress, 0x0A000063u);
  EXPECT_EQ(answers[0].channels[0].remoteName, "berlin");
  EXPECT_EQ(answers[0].channels[1].state, 7);
  EXPECT_EQ(answers[0].dChannelProtocol, 1);
  EXPECT_EQ(answers[0].permanentConnection, 2);
  EXPECT_EQ(answers[0].firmwareVersion, "2.10");
  EXPECT_EQ(answers[1].firmwareVersion, "");
  EXPECT_EQ(answers[1].dChannelProtocol, 0);
  Tick(2);
  EXPECT_EQ(SentCommand(command::kOverviewQuery).size(), 2u);
  EXPECT_EQ(answers.size(), 2u);
  Tick(1);
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[2].end, 1);
}

TEST(OpenRouterProtocol, SocketFailureGivesOneAndTheErrorNumber) {
  InMemoryNetwork network;
  InMemorySocket socket{network, kOwnAddress};
  socket.FailOpenWith(EADDRINUSE);
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  GuiSettings settings;
  settings.ownAddress = kOwnAddress;
  RouterProtocol protocol(socket, settings, tables, addresses);
  EXPECT_EQ(protocol.OpenRouterProtocol(nullptr, kBroadcast), 1);
  EXPECT_EQ(protocol.openErrorNumber(), 98);
  settings.ownAddress = 0;
  RouterProtocol unconfigured(socket, settings, tables, addresses);
  EXPECT_EQ(unconfigured.OpenRouterProtocol(nullptr, kBroadcast), -1000);
}

}  // namespace
}  // namespace tarcfg::testing
