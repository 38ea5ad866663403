// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/transactions.h"

#include <gtest/gtest.h>

#include <vector>

#include "protocol/in_memory_network.h"
#include "protocol/protocol_fixture.h"

namespace tarcfg {
namespace {

using testing::kOtherRouter;
using testing::kOwnAddress;
using testing::kRouterAddress;
using testing::Message;
using testing::Parse;

class TransactionsTest : public testing::TransactionsFixture<InMemorySocket> {
 protected:
  void Pump() {
    while (socket.pending() > 0)
      transport.OnDatagramReady();
  }
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i)
      transport.OnTimerTick();
  }
  void FromRouter(std::uint16_t command, std::uint16_t sequence, const Bytes& payload,
                  std::uint32_t from = kRouterAddress) {
    network.Send(from, kOwnAddress, BuildMessage(command, sequence, payload));
    Pump();
  }
  void Acknowledge(std::uint16_t sequence, std::uint32_t from = kRouterAddress) {
    FromRouter(kAcknowledgeCommand, 0,
               Bytes{static_cast<std::uint8_t>(sequence >> 8), static_cast<std::uint8_t>(sequence)},
               from);
  }
};

TEST_F(TransactionsTest, UnansweredRequestGoesOutThreeTimesThen8888OnTheTwelfthTick) {
  EXPECT_EQ(transactions.SendRequest(kRouterAddress, 0x1001, Bytes{0xAB}, true), 1);
  const Bytes expected{0x10, 0x01, 0x00, 0x01, 0xAB};
  ASSERT_EQ(network.log().size(), 1u);
  EXPECT_EQ(network.log()[0].bytes, expected);
  Tick(3);
  EXPECT_EQ(atRouter.size(), 1u);
  Tick(1);  // 4th
  EXPECT_EQ(atRouter.size(), 2u);
  Tick(3);
  EXPECT_EQ(atRouter.size(), 2u);
  Tick(1);  // 8th
  ASSERT_EQ(atRouter.size(), 3u);
  for (const auto& datagram : network.log())
    EXPECT_EQ(datagram.bytes, expected);
  Tick(3);
  EXPECT_TRUE(errors.empty());
  Tick(1);  // 12th
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
  EXPECT_EQ(atRouter.size(), 3u);
  EXPECT_FALSE(transactions.outstanding());
}

TEST_F(TransactionsTest, AcknowledgementFromAnotherAddressIsIgnored) {
  transactions.SendRequest(kRouterAddress, 0x1001, {}, true);
  Acknowledge(1, kOtherRouter);
  EXPECT_TRUE(transactions.outstanding());
  Tick(4);
  EXPECT_EQ(atRouter.size(), 2u);
  Acknowledge(1);
  EXPECT_FALSE(transactions.outstanding());
  Tick(20);
  EXPECT_EQ(atRouter.size(), 2u);
  EXPECT_TRUE(errors.empty());
}

TEST_F(TransactionsTest, AcknowledgementRunsCompletionWithSender) {
  std::vector<std::uint32_t> completed;
  transactions.SendRequest(kRouterAddress, 0x0002, {}, true,
                           [&](std::uint32_t sender) { completed.push_back(sender); });
  Acknowledge(1);
  EXPECT_EQ(completed, std::vector<std::uint32_t>{kRouterAddress});
  EXPECT_TRUE(delivered.empty());
}

TEST_F(TransactionsTest, AcknowledgementWithoutTwoPayloadBytesIsIgnored) {
  transactions.SendRequest(kRouterAddress, 0x1001, {}, true);
  FromRouter(kAcknowledgeCommand, 0, Bytes{0x00});
  FromRouter(kAcknowledgeCommand, 0, {});
  EXPECT_TRUE(transactions.outstanding());
}

TEST_F(TransactionsTest, SecondNumberedRequestGives8999AndSendsNothing) {
  transactions.SendRequest(kRouterAddress, 0x1001, {}, true);
  EXPECT_EQ(transactions.SendRequest(kRouterAddress, 0x1011, {}, true), -1);
  EXPECT_EQ(errors, std::vector<int>{kErrorBusy});
  EXPECT_EQ(network.log().size(), 1u);
  EXPECT_TRUE(transactions.outstanding());
}

TEST_F(TransactionsTest, RefusedSecondRequestLeavesTheFirstOnesCompletion) {
  // The first request stays outstanding after 8999; its acknowledgement
  // must still run what the first request asked for.
  std::vector<int> completed;
  transactions.SendRequest(kRouterAddress, 0x0002, {}, true,
                           [&](std::uint32_t) { completed.push_back(1); });
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true,
                           [&](std::uint32_t) { completed.push_back(2); });
  ASSERT_EQ(errors, std::vector<int>{kErrorBusy});
  Acknowledge(1);
  EXPECT_EQ(completed, std::vector<int>{1});
}

TEST_F(TransactionsTest, UnnumberedWhileOutstandingIsSentButGivesMinusOne) {
  transactions.SendRequest(kRouterAddress, 0x1001, {}, true);
  EXPECT_EQ(transactions.SendRequest(kRouterAddress, 0x1003, {}, false), -1);
  EXPECT_EQ(network.log().size(), 2u);
  EXPECT_TRUE(errors.empty());
}

TEST_F(TransactionsTest, SendFailureReportsOne) {
  socket.FailSendsWith(ENETDOWN);
  EXPECT_EQ(transactions.SendRequest(kRouterAddress, 0x1001, {}, true), -1);
  EXPECT_EQ(errors, std::vector<int>{kErrorSendFailed});
  EXPECT_FALSE(transactions.outstanding());
}

TEST_F(TransactionsTest, NumberedMessageIsAcknowledgedAndUnnumberedIsNot) {
  FromRouter(0x3031, 0, Bytes{1});
  EXPECT_TRUE(atRouter.empty());
  FromRouter(0x1004, 0x1234, Bytes{1, 2});
  ASSERT_EQ(atRouter.size(), 1u);
  EXPECT_EQ(network.log().back().bytes, (Bytes{0xFF, 0x00, 0x00, 0x00, 0x12, 0x34}));
  EXPECT_EQ(delivered.size(), 2u);
}

TEST_F(TransactionsTest, NumberedAcknowledgementCommandIsAcknowledgedOnlyWhileRegistered) {
  FromRouter(0xFF00, 7, Bytes{0, 1});
  EXPECT_TRUE(atRouter.empty());
  transactions.SetSession(kRouterAddress);
  FromRouter(0xFF00, 7, Bytes{0, 1});
  EXPECT_EQ(atRouter.size(), 1u);
  EXPECT_TRUE(delivered.empty());
}

TEST_F(TransactionsTest, RepeatedDeliveryFromRegisteredRouterIsAcknowledgedButDeliveredOnce) {
  transactions.SetSession(kRouterAddress);
  FromRouter(0x0F01, 5, Bytes{1});
  FromRouter(0x0F01, 5, Bytes{1});
  EXPECT_EQ(delivered.size(), 1u);
  EXPECT_EQ(atRouter.size(), 2u);
  FromRouter(0x0F01, 6, Bytes{1});
  EXPECT_EQ(delivered.size(), 2u);
}

TEST_F(TransactionsTest, RepeatsAreDeliveredOnceAlsoBeforeRegistration) {
  // A password request repeated because its acknowledgement was lost must
  // not reach the registration twice.
  FromRouter(0x1004, 5, Bytes{1, 2});
  FromRouter(0x1004, 5, Bytes{1, 2});
  EXPECT_EQ(delivered.size(), 1u);
  FromRouter(0x1004, 6, Bytes{1, 2});
  EXPECT_EQ(delivered.size(), 2u);
}

// The router acknowledges a request and then answers it; when the
// acknowledgement is lost, its answer shows that the request arrived.
class AnswerRuleTest : public TransactionsTest {
 protected:
  void SetUp() override {
    TransactionsTest::SetUp();
    transactions.SetAnswerRule([](std::uint16_t request, std::uint16_t answer) {
      return request == 0x1011 && answer == 0x3011;
    });
    transactions.SetSession(kRouterAddress);
  }
};

TEST_F(AnswerRuleTest, AnswerStandsForALostAcknowledgement) {
  int completions = 0;
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true, [&](std::uint32_t) { ++completions; });
  FromRouter(0x3011, 9, Bytes{0, 0, 0xFF, 0, 0});
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(transactions.outstanding());
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(delivered.size(), 1u);
  // The late acknowledgement changes nothing, and no repetition follows.
  Acknowledge(1);
  for (int i = 0; i < 12; ++i)
    transport.OnTimerTick();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(completions, 1);
}

TEST_F(AnswerRuleTest, RepeatedEarlierAnswerWhileOutstandingIsDropped) {
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true);
  FromRouter(0x3011, 9, Bytes{0, 0, 0xFF, 0, 0});
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true);
  // The router repeats answer 9 (our acknowledgement of it was lost): it is
  // not the answer to the new request and is neither delivered nor an error.
  FromRouter(0x3011, 9, Bytes{0, 0, 0xFF, 0, 0});
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(transactions.outstanding());
  EXPECT_EQ(delivered.size(), 1u);
}

TEST_F(AnswerRuleTest, OtherNumberedMessageWhileOutstandingStillGives8777) {
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true);
  FromRouter(0x3017, 9, Bytes{0, 0, 0xFF, 0, 0, 0, 0});
  EXPECT_EQ(errors, std::vector<int>{kErrorCrossedRequest});
  EXPECT_TRUE(delivered.empty());
}

TEST_F(TransactionsTest, NumberedMessageFromRouterWhileOutstandingGives8777) {
  transactions.SetSession(kRouterAddress);
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true);
  FromRouter(0x3011, 9, Bytes{0, 0, 0xFF, 0, 0});
  EXPECT_EQ(errors, std::vector<int>{kErrorCrossedRequest});
  EXPECT_TRUE(delivered.empty());
  FromRouter(0x3031, 0, Bytes{1});  // unnumbered still gets through
  EXPECT_EQ(delivered.size(), 1u);
}

TEST_F(TransactionsTest, EndSessionRestartsNumberingAtOne) {
  transactions.SetSession(kRouterAddress);
  transactions.SendRequest(kRouterAddress, 0x1001, {}, true);
  Acknowledge(1);
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true);
  transactions.EndSession();
  EXPECT_EQ(transport.peerFilter(), 0u);
  EXPECT_EQ(transactions.SendRequest(kRouterAddress, 0x1001, {}, true), 1);
  EXPECT_EQ(atRouter.back().sequence, 1);
}

TEST_F(TransactionsTest, PendingRepetitionOfEndedSessionDoesNotRepeatTheNextMessage) {
  transactions.SetSession(kRouterAddress);
  transactions.SendRequest(kRouterAddress, 0x1011, {}, true);
  Tick(2);
  transactions.EndSession();
  transactions.SendRequest(kRouterAddress, 0x1001, {}, true);
  Tick(2);  // the old slot's time
  EXPECT_EQ(atRouter.size(), 2u);
  Tick(2);  // the new message's own repetition, 4 ticks after it
  EXPECT_EQ(atRouter.size(), 3u);
}

TEST_F(TransactionsTest, NumberingSkipsZeroAndKeepsMatchingAfter65535Requests) {
  for (int i = 0; i < 65535; ++i) {
    int sequence = transactions.SendRequest(kRouterAddress, 0x1012, {}, true);
    ASSERT_GT(sequence, 0);
    Acknowledge(static_cast<std::uint16_t>(sequence));
    ASSERT_FALSE(transactions.outstanding());
  }
  atRouter.clear();
  transactions.SendRequest(kRouterAddress, 0x1012, {}, true);
  ASSERT_EQ(atRouter.size(), 1u);
  EXPECT_EQ(atRouter[0].sequence, 1);
  Acknowledge(1);
  EXPECT_FALSE(transactions.outstanding());
  EXPECT_TRUE(errors.empty());
}

TEST_F(TransactionsTest, DatagramShorterThanHeaderIsDropped) {
  network.Send(kRouterAddress, kOwnAddress, Bytes{0x30, 0x31, 0x00});
  Pump();
  EXPECT_TRUE(delivered.empty());
  EXPECT_TRUE(atRouter.empty());
}

TEST_F(TransactionsTest, HeaderOnlyMessageHasEmptyPayload) {
  FromRouter(0x1003, 0, {});
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_TRUE(delivered[0].payload.empty());
}

}  // namespace
}  // namespace tarcfg
