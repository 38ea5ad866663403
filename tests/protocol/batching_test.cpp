// SPDX-License-Identifier: GPL-3.0-or-later
// Batched receiving and sending: what a socket that takes and sends many
// datagrams per system call (UdpSocket) changes in the transport, and the
// batch calls of UdpSocket itself on loopback.
#include <gtest/gtest.h>
#include <poll.h>

#include <array>
#include <cerrno>
#include <vector>

#include "protocol/in_memory_network.h"
#include "protocol/protocol_fixture.h"
#include "protocol/transactions.h"
#include "protocol/udp_socket.h"

namespace tarcfg {
namespace {

using testing::kOwnAddress;
using testing::kRouterAddress;
using testing::Message;
using testing::Parse;

// An in-memory socket that, like UdpSocket, receives and sends in batches;
// it notes the size of every batch sent and can fail chosen datagrams.
class BatchingSocket : public DatagramSocket {
 public:
  BatchingSocket(InMemoryNetwork& network, std::uint32_t address) : socket_(network, address) {}

  int Open(std::uint16_t port) override { return socket_.Open(port); }
  int SendTo(std::uint32_t address, std::uint16_t port,
             std::span<const std::uint8_t> bytes) override {
    singles.push_back(Bytes(bytes.begin(), bytes.end()));
    return socket_.SendTo(address, port, bytes);
  }
  ReceivedDatagram ReceiveFrom(std::span<std::uint8_t> buffer) override {
    return socket_.ReceiveFrom(buffer);
  }
  int descriptor() const override { return -1; }
  std::size_t ReceiveBatch(std::span<const std::span<std::uint8_t>> buffers,
                           std::span<ReceivedDatagram> received) override {
    std::size_t n = 0;
    while (n < buffers.size() && n < received.size() && socket_.pending() > 0) {
      received[n] = socket_.ReceiveFrom(buffers[n]);
      ++n;
    }
    receiveCalls.push_back(n);
    return n;
  }
  bool sendsInBatches() const override { return true; }
  void SendBatch(std::span<const OutgoingDatagram> datagrams, std::span<int> results) override {
    batches.push_back(datagrams.size());
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
      const bool fail = sentInBatches < failFirst;
      ++sentInBatches;
      results[i] =
          fail ? ENETDOWN
               : socket_.SendTo(datagrams[i].address, datagrams[i].port, datagrams[i].bytes);
    }
  }

  std::size_t pending() const { return socket_.pending(); }

  std::vector<std::size_t> batches;       // sizes of the batches sent
  std::vector<std::size_t> receiveCalls;  // datagrams taken per ReceiveBatch
  std::vector<Bytes> singles;             // sent one by one
  std::size_t sentInBatches = 0;
  std::size_t failFirst = 0;  // this many datagrams sent in batches fail

 private:
  InMemorySocket socket_;
};

class BatchingTest : public testing::TransactionsFixture<BatchingSocket> {
 protected:
  void FromRouter(std::uint16_t command, std::uint16_t sequence, const Bytes& payload) {
    network.Send(kRouterAddress, kOwnAddress, BuildMessage(command, sequence, payload));
  }
};

TEST_F(BatchingTest, AcknowledgementOfAnAnswerAndTheNextRequestLeaveInOneBatch) {
  ASSERT_EQ(transactions.SendRequest(kRouterAddress, 0x1011, Bytes{0xFF, 0, 0}, true), 1);
  EXPECT_EQ(socket.singles.size(), 1u);  // sent outside a receive: at once
  // The router acknowledges and answers; the answer's handler asks for the
  // next entry.
  onDelivered = [this] {
    onDelivered = nullptr;
    transactions.SendRequest(kRouterAddress, 0x1011, Bytes{0xFF, 0, 1}, true);
  };
  FromRouter(kAcknowledgeCommand, 0, Bytes{0, 1});
  FromRouter(0x3011, 7, Bytes{0, 0, 0xFF, 0, 0});
  transport.OnDatagramReady();

  EXPECT_EQ(socket.receiveCalls, std::vector<std::size_t>{2});  // both with one call
  EXPECT_EQ(socket.batches, std::vector<std::size_t>{2});
  EXPECT_EQ(socket.singles.size(), 1u);
  ASSERT_EQ(atRouter.size(), 3u);
  EXPECT_EQ(atRouter[1].command, kAcknowledgeCommand);
  EXPECT_EQ(atRouter[1].payload, (Bytes{0, 7}));
  EXPECT_EQ(atRouter[2].command, 0x1011);
  EXPECT_EQ(atRouter[2].sequence, 2);
  EXPECT_EQ(atRouter[2].payload, (Bytes{0xFF, 0, 1}));
  EXPECT_TRUE(transactions.outstanding());
  EXPECT_TRUE(errors.empty());
}

TEST_F(BatchingTest, DatagramsHandledTogetherAreHandedUpInTheirOrder) {
  FromRouter(0x3031, 0, Bytes{1});
  FromRouter(0x3031, 0, Bytes{2});
  FromRouter(0x3031, 0, Bytes{3});
  transport.OnDatagramReady();
  EXPECT_EQ(socket.receiveCalls, std::vector<std::size_t>{3});
  ASSERT_EQ(delivered.size(), 3u);
  for (std::uint8_t i = 0; i < 3; ++i)
    EXPECT_EQ(delivered[i].payload, Bytes{static_cast<std::uint8_t>(i + 1)});
  // Unnumbered: nothing to acknowledge, so no batch at all.
  EXPECT_TRUE(socket.batches.empty());
}

TEST_F(BatchingTest, FailedSendsOfABatchAreReportedEachAsSendFailure) {
  ASSERT_EQ(transactions.SendRequest(kRouterAddress, 0x1011, Bytes{0xFF, 0, 0}, true), 1);
  onDelivered = [this] {
    onDelivered = nullptr;
    transactions.SendRequest(kRouterAddress, 0x1011, Bytes{0xFF, 0, 1}, true);
  };
  socket.failFirst = 2;
  FromRouter(kAcknowledgeCommand, 0, Bytes{0, 1});
  FromRouter(0x3011, 7, Bytes{0, 0, 0xFF, 0, 0});
  transport.OnDatagramReady();
  EXPECT_EQ(socket.batches, std::vector<std::size_t>{2});
  EXPECT_EQ(errors, (std::vector<int>{kErrorSendFailed, kErrorSendFailed}));
  EXPECT_EQ(atRouter.size(), 1u);  // only the first request, sent on its own
}

TEST_F(BatchingTest, MoreSendsThanABatchHoldsLeaveInSeveralBatchesInOrder) {
  onDelivered = [this] {
    for (std::uint8_t i = 0; i < kSendBatch + 2; ++i)
      transactions.SendRequest(kRouterAddress, 0x1003, Bytes{i}, false);
  };
  FromRouter(0x3031, 0, Bytes{});
  transport.OnDatagramReady();
  EXPECT_EQ(socket.batches, (std::vector<std::size_t>{kSendBatch, 2}));
  ASSERT_EQ(atRouter.size(), kSendBatch + 2);
  for (std::size_t i = 0; i < atRouter.size(); ++i)
    EXPECT_EQ(atRouter[i].payload, Bytes{static_cast<std::uint8_t>(i)});
}

TEST_F(BatchingTest, HandlerThatRunsTheLoopAgainGetsTheRestOfTheBatchFirst) {
  // A handler that runs a nested event loop (a modal box) must neither lose
  // the datagrams behind its own nor see them overwritten by new ones.
  FromRouter(0x3031, 0, Bytes{1});
  FromRouter(0x3031, 0, Bytes{2});
  FromRouter(0x3031, 0, Bytes{3});
  onDelivered = [this] {
    onDelivered = nullptr;
    FromRouter(0x3031, 0, Bytes{4});  // arrives while the first is handled
    transport.OnDatagramReady();
  };
  transport.OnDatagramReady();
  ASSERT_EQ(delivered.size(), 3u);
  for (std::uint8_t i = 0; i < 3; ++i)
    EXPECT_EQ(delivered[i].payload, Bytes{static_cast<std::uint8_t>(i + 1)});
  EXPECT_EQ(socket.receiveCalls, std::vector<std::size_t>{3});
  transport.OnDatagramReady();
  ASSERT_EQ(delivered.size(), 4u);
  EXPECT_EQ(delivered[3].payload, Bytes{4});
}

TEST_F(BatchingTest, FlushInsideAHandlerSendsTheAcknowledgementAtOnce) {
  ASSERT_EQ(transactions.SendRequest(kRouterAddress, 0x1001, Bytes{}, true), 1);
  FromRouter(kAcknowledgeCommand, 0, Bytes{0, 1});
  // A numbered message the handler answers only after a prompt.
  onDelivered = [this] {
    onDelivered = nullptr;
    transport.Flush();
    EXPECT_EQ(atRouter.size(), 2u);  // the acknowledgement is out already
    transactions.SendRequest(kRouterAddress, 0x3004, Bytes{9}, true);
  };
  FromRouter(0x1004, 5, Bytes{0, 1});
  transport.OnDatagramReady();
  EXPECT_EQ(socket.batches, (std::vector<std::size_t>{1, 1}));
  ASSERT_EQ(atRouter.size(), 3u);
  EXPECT_EQ(atRouter[1].command, kAcknowledgeCommand);
  EXPECT_EQ(atRouter[2].command, 0x3004);
}

// --- UdpSocket on loopback ---------------------------------------------------

constexpr std::uint32_t kLoopback = 0x7F000001;

TEST(UdpSocketBatch, TakesEveryWaitingDatagramWithOneCall) {
  UdpSocket receiver, sender;
  ASSERT_EQ(receiver.Open(0), 0);
  ASSERT_EQ(sender.Open(0), 0);
  for (std::uint8_t i = 1; i <= 3; ++i)
    ASSERT_EQ(sender.SendTo(kLoopback, receiver.boundPort(), Bytes(10 * i, i)), 0);
  pollfd watch{receiver.descriptor(), POLLIN, 0};
  ASSERT_EQ(::poll(&watch, 1, 5000), 1);
  // A front end with a loop of its own: batches.
  ASSERT_EQ(receiver.SetReceiveWait(5000), 0);
  EXPECT_TRUE(receiver.sendsInBatches());
  std::array<std::array<std::uint8_t, 500>, 4> storage{};
  std::array<std::span<std::uint8_t>, 4> buffers;
  for (std::size_t i = 0; i < buffers.size(); ++i)
    buffers[i] = storage[i];
  std::array<ReceivedDatagram, 4> received{};
  // Loopback delivers within the send, so all three wait already.
  ASSERT_EQ(receiver.ReceiveBatch(buffers, received), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(received[i].length, static_cast<int>(10 * (i + 1)));
    EXPECT_EQ(received[i].sender, kLoopback);
    EXPECT_EQ(received[i].senderPort, sender.boundPort());
    EXPECT_EQ(storage[i][0], i + 1);
  }
  // Nothing left, and no wait asked for: back at once with none.
  ASSERT_EQ(receiver.SetReceiveWait(0), 0);
  EXPECT_EQ(receiver.ReceiveBatch(buffers, received), 0u);
}

TEST(UdpSocketBatch, UnderAnEventLoopTakesOneDatagramPerCallAndSendsAtOnce) {
  UdpSocket receiver, sender;
  ASSERT_EQ(receiver.Open(0), 0);
  ASSERT_EQ(sender.Open(0), 0);
  EXPECT_FALSE(receiver.sendsInBatches());
  for (std::uint8_t i = 1; i <= 2; ++i)
    ASSERT_EQ(sender.SendTo(kLoopback, receiver.boundPort(), Bytes(4, i)), 0);
  pollfd watch{receiver.descriptor(), POLLIN, 0};
  ASSERT_EQ(::poll(&watch, 1, 5000), 1);
  std::array<std::array<std::uint8_t, 500>, 4> storage{};
  std::array<std::span<std::uint8_t>, 4> buffers;
  for (std::size_t i = 0; i < buffers.size(); ++i)
    buffers[i] = storage[i];
  std::array<ReceivedDatagram, 4> received{};
  ASSERT_EQ(receiver.ReceiveBatch(buffers, received), 1u);
  EXPECT_EQ(storage[0][0], 1);
  ASSERT_EQ(receiver.ReceiveBatch(buffers, received), 1u);
  EXPECT_EQ(storage[0][0], 2);
  EXPECT_EQ(receiver.ReceiveBatch(buffers, received), 0u);
}

TEST(UdpSocketBatch, DatagramLargerThanItsBufferIsReportedLonger) {
  UdpSocket receiver, sender;
  ASSERT_EQ(receiver.Open(0), 0);
  ASSERT_EQ(sender.Open(0), 0);
  ASSERT_EQ(sender.SendTo(kLoopback, receiver.boundPort(), Bytes(501, 7)), 0);
  // The wait is in the receive itself.
  ASSERT_EQ(receiver.SetReceiveWait(5000), 0);
  std::array<std::uint8_t, 500> storage{};
  std::array<std::span<std::uint8_t>, 1> buffers{std::span<std::uint8_t>(storage)};
  std::array<ReceivedDatagram, 1> received{};
  ASSERT_EQ(receiver.ReceiveBatch(buffers, received), 1u);
  EXPECT_GT(received[0].length, 500);
}

TEST(UdpSocketBatch, SendsABatchInOrderAndReportsTheDatagramThatFailed) {
  UdpSocket receiver, sender;
  ASSERT_EQ(receiver.Open(0), 0);
  ASSERT_EQ(sender.Open(0), 0);
  const Bytes first(5, 1), bad(5, 2), last(5, 3);
  const std::array<OutgoingDatagram, 3> batch{
      OutgoingDatagram{kLoopback, receiver.boundPort(), first},
      OutgoingDatagram{kLoopback, 0, bad},  // port 0: refused by the system
      OutgoingDatagram{kLoopback, receiver.boundPort(), last}};
  std::array<int, 3> results{-1, -1, -1};
  sender.SendBatch(batch, results);
  EXPECT_EQ(results[0], 0);
  EXPECT_NE(results[1], 0);
  EXPECT_EQ(results[2], 0);
  std::array<std::uint8_t, 500> buffer{};
  ASSERT_EQ(receiver.SetReceiveWait(5000), 0);
  std::array<std::span<std::uint8_t>, 1> buffers{std::span<std::uint8_t>(buffer)};
  std::array<ReceivedDatagram, 1> received{};
  ASSERT_EQ(receiver.ReceiveBatch(buffers, received), 1u);
  EXPECT_EQ(buffer[0], 1);
  ASSERT_EQ(receiver.ReceiveBatch(buffers, received), 1u);
  EXPECT_EQ(buffer[0], 3);
}

}  // namespace
}  // namespace tarcfg
