// SPDX-License-Identifier: GPL-3.0-or-later
// One protocol object through a long session against routers that behave
// as real ones do: they number their messages from 1 again after every
// restart, go silent, and get deregistered while a request is in flight.
#include <gtest/gtest.h>

#include <fstream>

#include "protocol/firmware_image.h"
#include "protocol/protocol_fixture.h"
#include "support/sample_configuration.h"

namespace tarcfg::testing {
namespace {

Bytes LoaderImage() {
  Bytes image(kMinimumImageSize, 0xEE);
  image[kConfigurationSegmentOffset] = 0x00;
  image[kConfigurationSegmentOffset + 1] = 0xD0;
  image[kSignatureOffset] = 0x24;
  image[kSignatureOffset + 1] = 0x42;
  return image;
}

const Bytes kOurLoader{0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kOurRouterBack{0, 0, 0, 1, 2, 3, 4, 5, 10, 0, 0, 10, 0, 0, 0, 0};

class LongSessionTest : public ProtocolTest {
 protected:
  void SetUp() override {
    ProtocolTest::SetUp();
    std::ofstream file(settings.firmwarePath + "/fw_dss1.2.10", std::ios::binary);
    Bytes image = LoaderImage();
    file.write(reinterpret_cast<const char*>(image.data()),
               static_cast<std::streamsize>(image.size()));
  }

  // A router that restarts numbers its messages from 1 again.
  void Restart() { router->RestartNumbering(); }

  // The loader offers the download, takes the blocks and, on the restart,
  // comes back as a freshly booted router.
  void ServeLoader() {
    router->On(command::kEnterLoader, [this](const Message&) { Restart(); });
  }
  void ServeDownload() {
    router->On(command::kScanQuery,
               [this](const Message&) { router->Send(command::kScanAnswer, kOurLoader, false); });
    router->On(command::kAssignLoaderAddress, [this](const Message&) {
      // The loader numbers its offer: the first numbered message since it started.
      router->Send(command::kDownloadOffer, Bytes{10, 0, 0, 10});
    });
    router->On(command::kRestart, [this](const Message&) {
      Restart();
      router->Send(command::kScanAnswer, kOurRouterBack, false);
    });
  }

  void Register() {
    protocol->Register([this](const RegistrationResult& r) { results.push_back(r); },
                       kRouterAddress);
    Pump();
  }

  std::unique_ptr<ScriptedRouter> router =
      std::make_unique<ScriptedRouter>(network, kRouterAddress);
  HardwareAddress hardware{0, 1, 2, 3, 4, 5};
  int finished = 0;
};

TEST_F(LongSessionTest, RebootedRoutersFirstAcceptanceAfterADownloadIsTaken) {
  // Register, download with the tables, the router restarts and numbers
  // from 1: its first acceptance carries the number the loader's offer had.
  RegisterWith(*router, 0, 0, 0);
  ServeLoader();
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(
      hardware, SampleRouterParameters(), &targets, nullptr, nullptr,
      [&](const ScanAnswer&) { ++finished; }, nullptr));
  ServeDownload();
  Tick(4);
  ASSERT_EQ(finished, 1);
  ASSERT_EQ(protocol->state(), ProtocolState::Idle);

  router->On(command::kRegister, [this](const Message&) {
    router->Send(command::kRegistrationAccepted, AcceptedPayload(0, 0, 0));
  });
  Register();
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results.back().kind, RegistrationKind::Accepted);
  EXPECT_TRUE(errors.empty());
}

TEST_F(LongSessionTest, RouterRebootedDuringThePasswordPromptIsHeardAgain) {
  // The first attempt's password request carries 1; the user cancels, the
  // router reboots, and the second attempt's request carries 1 again.
  router->On(command::kRegister, [this](const Message&) {
    router->Send(command::kPasswordRequest, Bytes{0, 7});
  });
  Register();
  ASSERT_EQ(protocol->state(), ProtocolState::PasswordRequested);
  protocol->AbandonPasswordPrompt();
  Restart();
  router->On(command::kRegister, [this](const Message&) {
    router->Send(command::kPasswordRequest, Bytes{0, 7});
  });
  Register();
  EXPECT_EQ(protocol->state(), ProtocolState::PasswordRequested);
  EXPECT_EQ(results.size(), 2u);
}

TEST_F(LongSessionTest, RepeatedAcceptanceIsStillTakenOnlyOnce) {
  // The acknowledgement of the acceptance is lost: the router sends the
  // same message again, which must not end the fresh registration.
  router->On(command::kRegister, [this](const Message&) {
    router->Send(command::kRegistrationAccepted, AcceptedPayload(0, 0, 0));
    router->SendRaw(command::kRegistrationAccepted, router->lastSequence(),
                    AcceptedPayload(0, 0, 0));
  });
  Register();
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
  EXPECT_EQ(results.size(), 1u);
  EXPECT_TRUE(errors.empty());
}

// Every state either waits for something with a time-out running or is one
// in which the user can act. A router that goes silent at each step must
// never leave the protocol stuck.
class SilentRouterTest : public LongSessionTest {
 protected:
  // Ticks until the protocol is idle again; false after `limit` ticks.
  bool ReturnsToIdleWithin(int limit) {
    for (int i = 0; i < limit; ++i) {
      if (protocol->state() == ProtocolState::Idle)
        return true;
      Tick();
    }
    return protocol->state() == ProtocolState::Idle;
  }
};

TEST_F(SilentRouterTest, RegisteringEndsWhenTheAcknowledgedRequestIsNeverAnswered) {
  Register();
  ASSERT_EQ(protocol->state(), ProtocolState::Registering);
  EXPECT_TRUE(ReturnsToIdleWithin(30));
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
}

TEST_F(SilentRouterTest, RegisteringEndsWhenTheRequestIsNeverAcknowledged) {
  router->acknowledge = false;
  Register();
  EXPECT_TRUE(ReturnsToIdleWithin(30));
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
}

TEST_F(SilentRouterTest, PasswordAnswerNeverAnsweredEndsTheAttempt) {
  router->On(command::kRegister, [this](const Message&) {
    router->Send(command::kPasswordRequest, Bytes{0, 7});
  });
  Register();
  ASSERT_EQ(protocol->state(), ProtocolState::PasswordRequested);
  // Waiting for the user is fine; the prompt can stay open.
  Tick(40);
  EXPECT_EQ(protocol->state(), ProtocolState::PasswordRequested);
  protocol->SendPassword(results.back().challengeSequence, "secret", 7);
  Pump();
  EXPECT_TRUE(ReturnsToIdleWithin(30));
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
}

TEST_F(SilentRouterTest, TableReadAcknowledgedButNeverAnsweredEnds) {
  RegisterWith(*router, 2, 0, 0);
  protocol->ReadLineTargets(nullptr, 2);
  Pump();
  ASSERT_EQ(protocol->state(), ProtocolState::Transferring);
  EXPECT_TRUE(ReturnsToIdleWithin(30));
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
  // The router took the request in: it is told that we leave, with the code.
  auto left = router->Received(command::kDeregister);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].payload, (Bytes{0x22, 0xB8}));
}

TEST_F(SilentRouterTest, PasswordChangeAcknowledgedButNeverAnsweredEnds) {
  RegisterWith(*router);
  protocol->ChangePassword(nullptr, "new", "old", false);
  Pump();
  ASSERT_EQ(protocol->state(), ProtocolState::Transferring);
  EXPECT_TRUE(ReturnsToIdleWithin(30));
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
}

TEST_F(SilentRouterTest, AnswersThatKeepComingKeepTheReadAlive) {
  // A slow router that answers each entry after ten ticks is not cut off:
  // the time-out counts from the last word the router said.
  RegisterWith(*router, 3, 0, 0);
  int asked = 0;
  router->On(command::kReadTableEntry, [&](const Message&) { ++asked; });
  bool done = false;
  protocol->ReadLineTargets([&](LineTargetList&) { done = true; }, 3);
  Pump();
  for (int entry = 0; entry < 3; ++entry) {
    Tick(10);
    ASSERT_EQ(protocol->state(), ProtocolState::Transferring) << entry;
    WireWriter answer;
    answer.U16(0).U8(kLineTargetTable).U16(static_cast<std::uint16_t>(entry));
    answer.Zeros(kLineTargetEntryLength);
    router->Send(command::kTableEntry, answer.Take());
    Pump();
  }
  EXPECT_TRUE(done);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(SilentRouterTest, EveryDownloadStepEndsWhenTheRouterFallsSilent) {
  // Router never enters its loader.
  RegisterWith(*router);
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, SampleRouterParameters(), &targets, nullptr,
                                         nullptr, nullptr, nullptr));
  ASSERT_EQ(protocol->state(), ProtocolState::WaitingForLoader);
  EXPECT_TRUE(ReturnsToIdleWithin(130));
  EXPECT_EQ(errors, std::vector<int>{kErrorLoaderNotFound});
}

TEST_F(SilentRouterTest, DownloadStepsWithoutTheirAnswerEndWithTheirCodes) {
  RegisterWith(*router);
  // No offer: 13.
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, SampleRouterParameters(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr));
  ASSERT_EQ(protocol->state(), ProtocolState::DownloadRequested);
  EXPECT_TRUE(ReturnsToIdleWithin(50));
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});

  // Blocks never acknowledged: 8888.
  errors.clear();
  router->On(command::kAssignLoaderAddress, [this](const Message&) {
    router->Send(command::kDownloadOffer, Bytes{10, 0, 0, 10});
  });
  router->acknowledge = false;
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, SampleRouterParameters(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr));
  Pump();
  ASSERT_EQ(protocol->state(), ProtocolState::Downloading);
  EXPECT_TRUE(ReturnsToIdleWithin(50));
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});

  // Router not back after the restart: 13.
  errors.clear();
  router->acknowledge = true;
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, SampleRouterParameters(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr));
  Pump();
  ASSERT_EQ(protocol->state(), ProtocolState::Restarting);
  EXPECT_TRUE(ReturnsToIdleWithin(100));
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});
}

TEST_F(LongSessionTest, EarlierDownloadsTimeOutsDoNotEndALaterDownload) {
  // The first download is offered at once and the router is back at once;
  // its 40-tick offer and 80-tick restart time-outs must go with it.
  RegisterWith(*router);
  router->On(command::kAssignLoaderAddress, [this](const Message&) {
    router->Send(command::kDownloadOffer, Bytes{10, 0, 0, 10});
  });
  router->On(command::kRestart,
             [this](const Message&) { router->Send(command::kScanAnswer, kOurRouterBack, false); });
  ASSERT_TRUE(protocol->DownloadFirmware(
      hardware, SampleRouterParameters(), nullptr, nullptr, nullptr,
      [&](const ScanAnswer&) { ++finished; }, nullptr));
  Pump();
  ASSERT_EQ(finished, 1);
  Tick(20);

  // The second download waits for its offer; the first one's slots would
  // have fired 20 and 60 ticks into it.
  router->Forget(command::kAssignLoaderAddress);
  RegisterWith(*router);
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, SampleRouterParameters(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr));
  Tick(39);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::DownloadRequested);
  Tick(2);
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});
}

TEST_F(LongSessionTest, DownloadThatCannotStartSaysSo) {
  // Not registered: the loader step does nothing, so no download runs and
  // no progress window may wait for one.
  LineTargetList targets = NewLineTargetList();
  EXPECT_FALSE(protocol->DownloadFirmware(hardware, SampleRouterParameters(), &targets, nullptr,
                                          nullptr, nullptr, nullptr));
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_TRUE(SentCommand(command::kEnterLoader).empty());
}

TEST_F(LongSessionTest, DeregisterDuringATableReadCancelsItAndDeregisters) {
  RegisterWith(*router, 2, 0, 0);
  protocol->ReadLineTargets(nullptr, 2);
  Pump();
  ASSERT_EQ(protocol->state(), ProtocolState::Transferring);
  protocol->Deregister();
  EXPECT_EQ(router->Received(command::kDeregister).size(), 1u);
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  std::size_t reads = router->Received(command::kReadTableEntry).size();
  Tick(20);
  EXPECT_EQ(router->Received(command::kReadTableEntry).size(), reads);  // nothing repeated
  EXPECT_TRUE(errors.empty());
}

TEST_F(LongSessionTest, DeregisterBeforeTheRequestIsAcknowledgedCancelsItsRepetitions) {
  RegisterWith(*router);
  router->acknowledge = false;
  protocol->ChangePassword(nullptr, "new", "old", false);
  Pump();
  protocol->Deregister();
  EXPECT_EQ(router->Received(command::kDeregister).size(), 1u);
  Tick(20);
  EXPECT_EQ(router->Received(command::kChangePassword).size(), 1u);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  // The next registration starts cleanly.
  router->acknowledge = true;
  RegisterWith(*router);
}

TEST_F(LongSessionTest, DeregisterWhileRegisteringTellsTheCandidate) {
  // Closing the window while the router has not answered yet: should the
  // router take us after all, it is told that we are gone.
  router->acknowledge = false;
  Register();
  ASSERT_EQ(protocol->state(), ProtocolState::Registering);
  protocol->Deregister();
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_EQ(router->Received(command::kDeregister).size(), 1u);
  Tick(20);
  EXPECT_EQ(router->Received(command::kRegister).size(), 1u);
  EXPECT_TRUE(errors.empty());
}

}  // namespace
}  // namespace tarcfg::testing
