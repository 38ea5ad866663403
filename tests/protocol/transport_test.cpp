// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/transport.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <vector>

#include "protocol/in_memory_network.h"
#include "protocol/udp_socket.h"
#include "protocol/wire.h"

namespace tarcfg {
namespace {

constexpr std::uint32_t kOwn = 0x0A000001;
constexpr std::uint32_t kRouterA = 0x0A00000A;
constexpr std::uint32_t kRouterB = 0x0A00000B;

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(transport.OpenTransport(
                  [this](std::uint32_t sender, std::span<const std::uint8_t> bytes) {
                    received.push_back({sender, Bytes(bytes.begin(), bytes.end())});
                  },
                  kRouterPort, kOwn),
              kTransportOpened);
  }
  void DeliverAll() {
    while (socket.pending() > 0)
      transport.OnDatagramReady();
  }

  struct Received {
    std::uint32_t sender;
    Bytes bytes;
  };
  InMemoryNetwork network;
  InMemorySocket socket{network, kOwn};
  Transport transport{socket};
  std::vector<Received> received;
};

TEST_F(TransportTest, DatagramOf500BytesIsDeliveredAndLargerIsDropped) {
  network.Send(kRouterA, kOwn, Bytes(500, 0x55));
  network.Send(kRouterA, kOwn, Bytes(501, 0x66));
  DeliverAll();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].bytes, Bytes(500, 0x55));
  EXPECT_EQ(received[0].sender, kRouterA);
}

// A handler that reads past the end of a short datagram must not silently
// see what a longer one left in the receive buffer; under AddressSanitizer
// that read is reported.
TEST(TransportReceiveBufferDeathTest, ReadPastShortDatagramIsReportedUnderAddressSanitizer) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "only an AddressSanitizer build can see the read";
#else
  auto receiveLongThenShort = [](bool readPastEnd) {
    InMemoryNetwork network;
    InMemorySocket socket{network, kOwn};
    Transport transport{socket};
    volatile std::uint8_t sink = 0;
    transport.OpenTransport(
        [&](std::uint32_t, std::span<const std::uint8_t> bytes) {
          for (std::uint8_t b : bytes)
            sink = sink + b;
          if (readPastEnd)
            sink = sink + bytes.data()[bytes.size()];
        },
        kRouterPort, kOwn);
    network.Send(kRouterA, kOwn, Bytes(500, 0x55));
    network.Send(kRouterA, kOwn, Bytes(3, 0x66));
    while (socket.pending() > 0)
      transport.OnDatagramReady();
  };
  receiveLongThenShort(false);
  EXPECT_DEATH(receiveLongThenShort(true), "use-after-poison");
#endif
}

TEST_F(TransportTest, PeerFilterDropsOtherSenders) {
  transport.SetPeerFilter(kRouterA);
  network.Send(kRouterB, kOwn, Bytes{1, 2, 3, 4});
  network.Send(kRouterA, kOwn, Bytes{5, 6, 7, 8});
  DeliverAll();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].sender, kRouterA);
}

TEST_F(TransportTest, OwnBroadcastNeverComesBackWhateverThePeerFilter) {
  ASSERT_EQ(transport.SendDatagram(0x0A0000FF, Bytes{1, 2, 3, 4}), 0);
  transport.SetPeerFilter(kOwn);
  ASSERT_EQ(transport.SendDatagram(0x0A0000FF, Bytes{1, 2, 3, 4}), 0);
  EXPECT_EQ(socket.pending(), 2u);
  DeliverAll();
  EXPECT_TRUE(received.empty());
}

TEST_F(TransportTest, SendFailureGivesOne) {
  socket.FailSendsWith(ENETUNREACH);
  EXPECT_EQ(transport.SendDatagram(kRouterA, Bytes{1}), 1);
}

TEST(TransportOpen, NoOwnAddressGivesMinus1000AndOpensNothing) {
  InMemoryNetwork network;
  InMemorySocket socket{network, kOwn};
  Transport transport{socket};
  EXPECT_EQ(transport.OpenTransport(nullptr, kRouterPort, 0), kTransportNoOwnAddress);
  EXPECT_EQ(transport.SendDatagram(kRouterA, Bytes{1}), 1);
}

TEST(TransportOpen, PortInUseGivesOneWithErrno98) {
  InMemoryNetwork network;
  InMemorySocket first{network, kOwn};
  InMemorySocket second{network, kOwn};
  ASSERT_EQ(first.Open(kRouterPort), 0);
  Transport transport{second};
  EXPECT_EQ(transport.OpenTransport(nullptr, kRouterPort, kOwn), kTransportSocketFailed);
  EXPECT_EQ(transport.openError(), 98);
}

TEST(UdpSocket, AddressInUseReportsErrno98) {
  UdpSocket first;
  ASSERT_EQ(first.Open(0), 0);
  UdpSocket second;
  EXPECT_EQ(second.Open(first.boundPort()), EADDRINUSE);
  EXPECT_EQ(EADDRINUSE, 98);
}

TEST(UdpSocket, OversizedDatagramReportsItsFullLengthOnLoopback) {
  UdpSocket receiver;
  UdpSocket sender;
  ASSERT_EQ(receiver.Open(0), 0);
  ASSERT_EQ(sender.Open(0), 0);
  ASSERT_EQ(sender.SendTo(0x7F000001, receiver.boundPort(), Bytes(501, 7)), 0);
  pollfd watch{receiver.descriptor(), POLLIN, 0};
  ASSERT_EQ(::poll(&watch, 1, 5000), 1);
  std::array<std::uint8_t, 500> buffer{};
  ReceivedDatagram datagram = receiver.ReceiveFrom(buffer);
  EXPECT_EQ(datagram.length, 501);
  EXPECT_EQ(datagram.sender, 0x7F000001u);
  EXPECT_EQ(datagram.senderPort, sender.boundPort());
}

TEST(UdpSocket, ReceiveBufferIsTheLargestTheSystemGrants) {
  UdpSocket socket;
  ASSERT_EQ(socket.Open(0), 0);
  int granted = 0;
  socklen_t length = sizeof granted;
  ASSERT_EQ(::getsockopt(socket.descriptor(), SOL_SOCKET, SO_RCVBUF, &granted, &length), 0);
  long limit = 0;
  std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
  // The kernel reports twice the size set, the other half being its own
  // bookkeeping.
  const long asked = UdpSocket::kReceiveBufferBytes;
  EXPECT_GE(granted, 2 * std::min(asked, limit));
  // A process that may pass the limit gets the whole size.
  int scratch = ::socket(AF_INET, SOCK_DGRAM, 0);
  int size = 4096;
  if (::setsockopt(scratch, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) == 0) {
    EXPECT_GE(granted, 2 * asked);
  }
  ::close(scratch);
}

// --- Timer slots -----------------------------------------------------------

TEST_F(TransportTest, SlotWithCountNFiresOnTickNPlusOne) {
  int fired3 = 0, fired0 = 0;
  transport.StartTimerSlot([&] { ++fired3; }, 3);
  transport.StartTimerSlot([&] { ++fired0; }, 0);
  transport.OnTimerTick();
  EXPECT_EQ(fired0, 1);
  transport.OnTimerTick();
  transport.OnTimerTick();
  EXPECT_EQ(fired3, 0);
  transport.OnTimerTick();
  EXPECT_EQ(fired3, 1);
  transport.OnTimerTick();
  EXPECT_EQ(fired3, 1);
}

TEST_F(TransportTest, TenBusySlotsRefuseAnEleventhUntilOneFires) {
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(transport.StartTimerSlot([] {}, 5 + i), i);
  EXPECT_EQ(transport.StartTimerSlot([] {}, 1), -1);
  for (int i = 0; i < 6; ++i)
    transport.OnTimerTick();  // slot 0 fires
  EXPECT_EQ(transport.StartTimerSlot([] {}, 1), 0);
}

TEST_F(TransportTest, DueSlotIsFreeAndItsCallbackIsLostWhenTakenOver) {
  bool earlier = false, later = false;
  EXPECT_EQ(transport.StartTimerSlot([&] { earlier = true; }, 1), 0);
  transport.OnTimerTick();  // count reaches 0: due, and free
  EXPECT_EQ(transport.StartTimerSlot([&] { later = true; }, 0), 0);
  transport.OnTimerTick();
  EXPECT_FALSE(earlier);
  EXPECT_TRUE(later);
}

TEST_F(TransportTest, FiringSlotMayTakeItselfAgain) {
  int fired = 0;
  std::function<void()> again = [&] {
    ++fired;
    EXPECT_EQ(transport.StartTimerSlot(again, 0), 0);
  };
  transport.StartTimerSlot(again, 0);
  transport.OnTimerTick();
  transport.OnTimerTick();
  EXPECT_EQ(fired, 2);
}

TEST_F(TransportTest, CancelledSlotDoesNotFireAndOutOfRangeCancelIsIgnored) {
  bool fired = false;
  int index = transport.StartTimerSlot([&] { fired = true; }, 1);
  transport.CancelTimerSlot(-1);
  transport.CancelTimerSlot(10);
  EXPECT_TRUE(transport.SlotArmed(index));
  transport.CancelTimerSlot(index);
  transport.OnTimerTick();
  transport.OnTimerTick();
  EXPECT_FALSE(fired);
}

TEST_F(TransportTest, NegativeCountIsClearedAtTheNextTickWithoutFiring) {
  bool fired = false;
  int index = transport.StartTimerSlot([&] { fired = true; }, -2);
  transport.OnTimerTick();
  EXPECT_FALSE(fired);
  EXPECT_FALSE(transport.SlotArmed(index));
  EXPECT_EQ(transport.SlotCount(index), 0);
}

TEST_F(TransportTest, HandleCancelsOnlyTheSlotItStarted) {
  bool mine = false, theirs = false;
  Transport::TimerHandle handle = transport.StartTimer([&] { mine = true; }, 1);
  transport.OnTimerTick();  // due, so free
  transport.StartTimerSlot([&] { theirs = true; }, 0);
  transport.CancelTimer(handle);
  transport.OnTimerTick();
  EXPECT_FALSE(mine);
  EXPECT_TRUE(theirs);
}

}  // namespace
}  // namespace tarcfg
