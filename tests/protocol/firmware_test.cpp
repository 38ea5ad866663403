// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "protocol/firmware_image.h"
#include "protocol/protocol_fixture.h"
#include "protocol/router_protocol_test_peer.h"
#include "support/sample_configuration.h"

namespace tarcfg::testing {
namespace {

// An image of `size` bytes with the signature and configuration segment.
Bytes Image(std::size_t size, std::uint16_t segment = 0xD000) {
  Bytes image(size, 0xEE);
  if (size >= kMinimumImageSize) {
    image[kConfigurationSegmentOffset] = static_cast<std::uint8_t>(segment);
    image[kConfigurationSegmentOffset + 1] = static_cast<std::uint8_t>(segment >> 8);
    image[kSignatureOffset] = 0x24;
    image[kSignatureOffset + 1] = 0x42;
  }
  return image;
}

// The sample router with a password, kept for this host alone.
RouterParameters Parameters() {
  RouterParameters parameters = SampleRouterParameters();
  parameters.password = "secret";
  parameters.exclusiveToThisHost = 1;
  return parameters;
}

TEST(InternetChecksum, WordsSummingToFFFFGiveZeroAndOddByteIsLowByte) {
  EXPECT_EQ(InternetChecksum(Bytes{0xFF, 0xFF}), 0);
  EXPECT_EQ(InternetChecksum(Bytes{0x34, 0x12, 0xCB, 0xED}), 0);  // 0x1234 + 0xEDCB
  EXPECT_EQ(InternetChecksum(Bytes{0x01}), 0xFFFE);
  EXPECT_EQ(InternetChecksum(Bytes{0xFF, 0xFF, 0x02, 0x00}), 0xFFFD);  // carry folded back
}

class EmbedTest : public ::testing::Test {
 protected:
  FakeNetDatabase database;
  AddressService addresses{database};
  ProtocolTables tables;
  WireContext wire{addresses, tables};
  void SetUp() override { addresses.SetNameResolve(false); }
};

TEST_F(EmbedTest, ImageOfExactMinimumSizeIsAcceptedAndOneByteLessRefused) {
  Bytes image = Image(kMinimumImageSize);
  EXPECT_TRUE(
      EmbedConfiguration(image, Parameters(), nullptr, nullptr, nullptr, wire, kOwnAddress));
  Bytes shorter(kMinimumImageSize - 1, 0);
  EXPECT_FALSE(
      EmbedConfiguration(shorter, Parameters(), nullptr, nullptr, nullptr, wire, kOwnAddress));
}

TEST_F(EmbedTest, ImageWithoutSignatureIsRefused) {
  Bytes image = Image(kMinimumImageSize);
  image[kSignatureOffset] = 0;
  EXPECT_FALSE(
      EmbedConfiguration(image, Parameters(), nullptr, nullptr, nullptr, wire, kOwnAddress));
}

TEST_F(EmbedTest, AreaBeforeTheImageOrTooSmallIsRefusedAndImageUntouched) {
  Bytes below = Image(kMinimumImageSize, 0x7FFF);
  EXPECT_FALSE(
      EmbedConfiguration(below, Parameters(), nullptr, nullptr, nullptr, wire, kOwnAddress));
  // The area starts 60 bytes before the end: the 70-byte record does not fit.
  std::uint16_t segment = static_cast<std::uint16_t>(0x8000 + (kMinimumImageSize - 60) / 16 + 1);
  Bytes tight = Image(kMinimumImageSize, segment);
  Bytes original = tight;
  EXPECT_FALSE(
      EmbedConfiguration(tight, Parameters(), nullptr, nullptr, nullptr, wire, kOwnAddress));
  EXPECT_EQ(tight, original);
}

TEST_F(EmbedTest, RecordsAreLittleEndianWithChecksums) {
  Bytes image = Image(kMinimumImageSize, 0xD000);
  LineTargetList targets = NewLineTargetList();
  LineTarget bare = NewLineTarget();
  bare.layer3Protocol = kNoProtocol;  // left out, and uses no index
  targets.Append(bare);
  LineTarget target = NewLineTarget();
  target.hostName = "10.0.0.99";
  target.localIdentification = "me/pw";
  target.channelBundling = 1;
  targets.Append(target);
  RouteList routes = NewRouteList();
  routes.Append(RouteEntry{"255.255.255.255", "10.0.0.5", "10.0.0.5", 0});
  FilterList filters = NewFilterList();
  filters.Append(DefaultFilterReject());
  ASSERT_TRUE(
      EmbedConfiguration(image, Parameters(), &targets, &routes, &filters, wire, kOwnAddress));

  std::size_t at = (0xD000 - 0x8000) * 16;
  std::span<const std::uint8_t> area(image.data() + at, 70 + 164 + 28 + 32 + 2);
  // Router parameters record.
  EXPECT_EQ(Bytes(area.begin(), area.begin() + 2), (Bytes{0xEF, 0xBE}));
  EXPECT_EQ(Bytes(area.begin() + 4, area.begin() + 10), (Bytes{1, 0, 70, 0, 0, 0}));
  EXPECT_EQ(InternetChecksum(area.subspan(0, 70)), 0);  // a stored checksum sums to zero
  EXPECT_EQ(Bytes(area.begin() + 10, area.begin() + 24),
            (Bytes{10, 0, 0, 10, 0, 255, 255, 255, 255, 0, 0, 10, 0xE0, 0x05}));
  EXPECT_EQ(Bytes(area.begin() + 45, area.begin() + 49), (Bytes{1, 0, 0, 10}));  // own address
  EXPECT_EQ(area[59], 1);  // D-channel protocol
  // Line target record: only the second target, with index 0.
  auto lt = area.subspan(70, 164);
  EXPECT_EQ(Bytes(lt.begin() + 4, lt.begin() + 10), (Bytes{2, 0, 164, 0, 0, 0}));
  EXPECT_EQ(InternetChecksum(lt), 0);
  EXPECT_EQ(Bytes(lt.begin() + 10, lt.begin() + 14), (Bytes{99, 0, 0, 10}));
  EXPECT_EQ(lt[10 + 34], 9);
  EXPECT_EQ(lt[10 + 44], 14);
  EXPECT_EQ(Bytes(lt.begin() + 72, lt.begin() + 77), (Bytes{'m', 'e', 0, 'p', 'w'}));
  EXPECT_EQ(Bytes(lt.begin() + 152, lt.begin() + 156), (Bytes{2, 0, 2, 0}));
  // Route and filter records follow; nothing is written after them.
  EXPECT_EQ(Bytes(area.begin() + 234 + 4, area.begin() + 234 + 8), (Bytes{3, 0, 28, 0}));
  EXPECT_EQ(InternetChecksum(area.subspan(234, 28)), 0);
  EXPECT_EQ(Bytes(area.begin() + 262 + 4, area.begin() + 262 + 8), (Bytes{4, 0, 32, 0}));
  EXPECT_EQ(area[262 + 10], 0);  // reject
  EXPECT_EQ(area[294], 0xEE);
}

class DownloadTest : public ProtocolTest {
 protected:
  void SetUp() override {
    ProtocolTest::SetUp();
    RegisterWith(router);
    network.ClearLog();
  }
  void WriteImage(std::size_t size) {
    Bytes image = Image(size);
    std::ofstream file(settings.firmwarePath + "/fw_dss1.2.10", std::ios::binary);
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(size));
  }
  // The router's loader: offers the download, acknowledges blocks,
  // announces itself after the restart.
  void ServeLoader() {
    router.On(command::kAssignLoaderAddress, [this](const Message& m) {
      announcement = m.payload;
      router.Send(command::kDownloadOffer, Bytes{10, 0, 0, 10}, false);
    });
    router.On(command::kDownloadBlock, [this](const Message& m) { blocks.push_back(m.payload); });
    router.On(command::kRestart, [this](const Message&) {
      Bytes scan{0, 0, 0, 1, 2, 3, 4, 5, 10, 0, 0, 10, 0, 0, 0, 0};
      router.Send(command::kScanAnswer, scan, false);
    });
  }
  ScriptedRouter router{network, kRouterAddress};
  HardwareAddress hardware{0, 1, 2, 3, 4, 5};
  Bytes announcement;
  std::vector<Bytes> blocks;
  std::vector<int> progress;
  int finished = 0;
};

TEST_F(DownloadTest, MissingImageGivesFalse) {
  RouterParameters parameters = Parameters();
  parameters.firmwareVersion = "9.99";
  EXPECT_FALSE(protocol->DownloadFirmware(hardware, parameters, nullptr, nullptr, nullptr, nullptr,
                                          nullptr));
  EXPECT_EQ(protocol->state(), ProtocolState::Registered);
}

TEST_F(DownloadTest, WholeImageGoesInBlocksPacedByAcknowledgementsWithoutTicks) {
  WriteImage(kMinimumImageSize + 1000 - kMinimumImageSize % 500);  // a multiple of 500
  ServeLoader();
  ASSERT_TRUE(protocol->DownloadFirmware(
      hardware, Parameters(), nullptr, nullptr, nullptr, [&](const ScanAnswer&) { ++finished; },
      [&](int p) { progress.push_back(p); }));
  Pump();
  EXPECT_EQ(announcement, (Bytes{0, 1, 2, 3, 4, 5, 10, 0, 0, 10}));
  std::size_t size = kMinimumImageSize + 1000 - kMinimumImageSize % 500;
  ASSERT_EQ(blocks.size(), size / 500 + 1);
  EXPECT_EQ(blocks[0].size(), 504u);
  EXPECT_EQ(Bytes(blocks[1].begin(), blocks[1].begin() + 4), (Bytes{0, 0, 0x01, 0xF4}));
  ASSERT_EQ(blocks.back().size(), 4u);  // the last block carries only the offset
  WireReader last(blocks.back());
  EXPECT_EQ(last.U32(), size);
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 2);  // last full block, then the end
  EXPECT_EQ(router.Received(command::kRestart).size(), 1u);
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
  EXPECT_TRUE(errors.empty());
}

TEST_F(DownloadTest, NoOfferWithin40TicksFailsWith13) {
  WriteImage(kMinimumImageSize);
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, Parameters(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr));
  EXPECT_EQ(protocol->state(), ProtocolState::DownloadRequested);
  Tick(40);
  EXPECT_TRUE(errors.empty());
  Tick(1);
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(DownloadTest, RouterNotBackWithin80TicksFailsWith13) {
  WriteImage(kMinimumImageSize);
  ServeLoader();
  router.Forget(command::kRestart);
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, Parameters(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr));
  Pump();
  ASSERT_EQ(protocol->state(), ProtocolState::Restarting);
  Tick(80);
  EXPECT_TRUE(errors.empty());
  // The restart request went out once: a copy could restart a router that
  // is already up again.
  EXPECT_EQ(router.Received(command::kRestart).size(), 1u);
  Tick(1);
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});
}

TEST_F(DownloadTest, UnacknowledgedBlockFailsWith8888) {
  WriteImage(kMinimumImageSize);
  ServeLoader();
  router.acknowledge = false;
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, Parameters(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr));
  Pump();
  Tick(12);
  EXPECT_EQ(blocks.size(), 3u);
  EXPECT_EQ(errors, std::vector<int>{kErrorNoAcknowledge});
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

TEST_F(DownloadTest, WithTablesTheRouterEntersItsLoaderFirst) {
  WriteImage(kMinimumImageSize);
  ServeLoader();
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(
      hardware, Parameters(), &targets, nullptr, nullptr, [&](const ScanAnswer&) { ++finished; },
      nullptr));
  EXPECT_EQ(router.Received(command::kEnterLoader).size(), 1u);
  EXPECT_EQ(protocol->state(), ProtocolState::WaitingForLoader);
  EXPECT_EQ(RouterProtocolTestPeer::peerFilter(*protocol), 0u);
  Tick(3);
  EXPECT_TRUE(SentCommand(command::kScanQuery).empty());
  Tick(1);
  EXPECT_EQ(SentCommand(command::kScanQuery).size(), 1u);
  Tick(4);
  EXPECT_EQ(SentCommand(command::kScanQuery).size(), 2u);
  // Another router's loader does not count; ours (no address yet) does.
  router.Send(command::kScanAnswer, Bytes{0, 0, 9, 9, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0}, false);
  Pump();
  EXPECT_EQ(protocol->state(), ProtocolState::WaitingForLoader);
  router.Send(command::kScanAnswer, Bytes{0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0}, false);
  Pump();
  EXPECT_FALSE(blocks.empty());
  EXPECT_EQ(finished, 1);
  Tick(130);
  EXPECT_TRUE(errors.empty());  // the loader time-out was cancelled
}

TEST_F(DownloadTest, StrayMessageFromTheOldAddressDoesNotEndTheDownload) {
  // A second loader on the same wire answers the last loader scan late; it
  // comes from the address the registration used, while the download is
  // being announced. The registration is over, so nothing is aborted.
  WriteImage(kMinimumImageSize);
  router.On(command::kAssignLoaderAddress, [this](const Message&) {
    router.Send(command::kScanAnswer, Bytes{0, 0, 7, 7, 7, 7, 7, 7, 0, 0, 0, 0, 0, 0, 0, 0}, false);
    router.Send(command::kDownloadOffer, Bytes{10, 0, 0, 10}, false);
  });
  router.On(command::kDownloadBlock, [this](const Message& m) { blocks.push_back(m.payload); });
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(
      hardware, Parameters(), &targets, nullptr, nullptr, [&](const ScanAnswer&) { ++finished; },
      nullptr));
  router.Send(command::kScanAnswer, Bytes{0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0}, false);
  Pump();
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(router.Received(command::kDeregister).empty());
  EXPECT_FALSE(blocks.empty());
  EXPECT_EQ(protocol->state(), ProtocolState::Restarting);
}

TEST_F(DownloadTest, LostLoaderRequestIsRepeatedOnlyWhileTheRouterIsSeenRunning) {
  // The first request to enter the loader is lost; the router answers the
  // scan as a running router until the second one reaches it.
  WriteImage(kMinimumImageSize);
  ServeLoader();
  int enterLoader = 0;
  bool inLoader = false;
  router.On(command::kEnterLoader, [&](const Message&) { inLoader = ++enterLoader > 1; });
  router.On(command::kScanQuery, [&](const Message&) {
    const std::uint8_t address = inLoader ? 0 : 10;
    router.Send(command::kScanAnswer,
                Bytes{0, 0, 0, 1, 2, 3, 4, 5, address, 0, 0, address, 0, 0, 0, 0}, false);
  });
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(
      hardware, Parameters(), &targets, nullptr, nullptr, [&](const ScanAnswer&) { ++finished; },
      nullptr));
  EXPECT_EQ(enterLoader, 1);
  Tick(4);  // the first loader scan finds the router still running
  EXPECT_EQ(enterLoader, 1);
  Tick(4);  // so the request goes out again, to the router's address
  EXPECT_EQ(enterLoader, 2);
  EXPECT_EQ(router.Received(command::kEnterLoader).back().to, kRouterAddress);
  EXPECT_EQ(finished, 1);
  Tick(130);
  EXPECT_EQ(enterLoader, 2);
  EXPECT_TRUE(errors.empty());
}

TEST_F(DownloadTest, LoaderRequestTakenIsNotRepeatedIntoTheRestartingRouter) {
  WriteImage(kMinimumImageSize);
  router.On(command::kEnterLoader, [](const Message&) {});  // restarting: silent
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, Parameters(), &targets, nullptr, nullptr,
                                         nullptr, nullptr));
  Tick(120);
  EXPECT_EQ(router.Received(command::kEnterLoader).size(), 1u);
  EXPECT_GT(router.Received(command::kScanQuery).size(), 20u);
  Tick(1);
  EXPECT_EQ(errors, std::vector<int>{kErrorLoaderNotFound});
}

TEST_F(DownloadTest, AnnouncementGoesOutOnceAndItsTimeOutEndsTheDownload) {
  WriteImage(kMinimumImageSize);
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, Parameters(), nullptr, nullptr, nullptr, nullptr,
                                         nullptr));
  Tick(40);
  EXPECT_EQ(router.Received(command::kAssignLoaderAddress).size(), 1u);
  EXPECT_TRUE(errors.empty());
  Tick(1);
  EXPECT_EQ(errors, std::vector<int>{kErrorDownloadFailed});
}

TEST_F(DownloadTest, LoaderNotFoundWithin120TicksFailsWith14) {
  WriteImage(kMinimumImageSize);
  LineTargetList targets = NewLineTargetList();
  ASSERT_TRUE(protocol->DownloadFirmware(hardware, Parameters(), &targets, nullptr, nullptr,
                                         nullptr, nullptr));
  Tick(120);
  EXPECT_TRUE(errors.empty());
  Tick(1);
  EXPECT_EQ(errors, std::vector<int>{kErrorLoaderNotFound});
  EXPECT_EQ(protocol->state(), ProtocolState::Idle);
}

}  // namespace
}  // namespace tarcfg::testing
