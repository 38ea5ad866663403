// SPDX-License-Identifier: GPL-3.0-or-later
// The router beyond one session: the loader and firmware downloads,
// restarts, power cycles and the unplugged cable.
#include <gtest/gtest.h>

#include "sim/control.h"
#include "sim/loaded_image.h"
#include "sim/network.h"
#include "sim/network_fixture.h"
#include "sim/state_json.h"

using namespace tarnex_sim;
using namespace tarnex_sim::testing;

namespace {

class FirmwareTest : public NetworkTest {
 protected:
  // Runs the download the way the tool does it, image in 500-byte blocks.
  void Download(const HardwareAddress& hw, uint32_t address, const Bytes& image) {
    Writer assign;
    assign.Raw(hw).U32be(address);
    hostSequence = 0;
    auto out = Send(kHost, kBroadcast, Msg(0x0001, 0, assign.Take()));
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(Command(out[0]), 0x0011);
    EXPECT_EQ(out[0].from, address);
    Reader offer(Payload(out[0]));
    EXPECT_EQ(offer.U32be(), address);
    Send(kHost, address, Msg(0xFF00, 0, Writer().U16be(Sequence(out[0])).Take()));
    for (size_t offset = 0;; offset += 500) {
      size_t n = std::min<size_t>(500, image.size() - offset);
      Writer block;
      block.U32be(uint32_t(offset)).Raw(std::span<const uint8_t>(image).subspan(offset, n));
      auto acks = Request(address, 0x0002, block.Take());
      EXPECT_TRUE(acks.empty());
      if (n < 500)
        break;
    }
    EXPECT_TRUE(Send(kHost, address, Msg(0x0003, 0)).empty());
  }
  ImageConfiguration NewConfiguration(uint32_t address) {
    ImageConfiguration c;
    c.address = address;
    c.netmask = 0xFFFFFF00;
    c.phone = "0305555";
    c.password = "pw";
    c.dChannelProtocol = 0;
    c.firmwareVersion = "2.08";
    c.routes.push_back(tarnex_sim::Route{0xFF000000, Ip("10.0.0.0"), Ip("198.51.100.200")});
    c.filters.push_back(Filter{});
    return c;
  }
};

TEST_F(FirmwareTest, EnterLoaderMakesTheRouterAnswerAsLoader) {
  Register(kOpen);
  Send(kHost, kOpen, Msg(0x0004, 0));
  EXPECT_EQ(R(0).mode, Mode::Loader);
  auto out = Send(kHost, kBroadcast, Msg(0xF031, 0));
  ASSERT_EQ(out.size(), 4u);
  Reader r(Payload(out[0]), 2);
  EXPECT_EQ(r.Raw(6), (Bytes{0x00, 0x60, 0x1a, 0x00, 0x00, 0x01}));
  EXPECT_EQ(r.U32be(), 0u);
}

TEST_F(FirmwareTest, LoaderTakesImageAndReappearsWithNewConfiguration) {
  const uint32_t address = Ip("198.51.100.40");
  Bytes image = MakeImage("2.08", 0, 0);
  ASSERT_TRUE(EmbedRecords(image, NewConfiguration(address)));
  Download(R(3).config.hardware, address, image);
  EXPECT_EQ(R(3).mode, Mode::Restarting);
  EXPECT_TRUE(Send(kHost, kBroadcast, Msg(0xF031, 0)).size() == 3u);  // silent while restarting
  Wait(1500);
  ASSERT_EQ(R(3).mode, Mode::Running);
  auto out = Send(kHost, address, Msg(0xF031, 0));
  ASSERT_EQ(out.size(), 1u);
  Reader r(Payload(out[0]), 8);
  EXPECT_EQ(r.U32be(), address);
  EXPECT_TRUE(R(3).firmware.applied);
  EXPECT_EQ(R(3).firmware.imageSize, image.size());
  EXPECT_EQ(R(3).config.firmwareVersion, "2.08");
  EXPECT_EQ(R(3).config.password, "pw");
  EXPECT_EQ(R(3).config.dChannelProtocol, 0);
  ASSERT_EQ(R(3).routes.size(), 1u);
  EXPECT_EQ(R(3).routes[0]->match, Ip("10.0.0.0"));
}

TEST_F(FirmwareTest, ImageOfAMultipleOf500EndsWithAnEmptyBlock) {
  const uint32_t address = Ip("198.51.100.41");
  Bytes image = MakeImage("2.10", 1, 500 * 800);
  ASSERT_TRUE(EmbedRecords(image, NewConfiguration(address)));
  Download(R(3).config.hardware, address, image);
  Wait(2000);
  EXPECT_TRUE(R(3).firmware.applied) << R(3).firmware.error;
}

TEST_F(FirmwareTest, BlocksAreNoChangeOfTheirOwnButTheRestartIs) {
  const uint32_t address = Ip("198.51.100.42");
  Writer assign;
  assign.Raw(R(3).config.hardware).U32be(address);
  auto out = Send(kHost, kBroadcast, Msg(0x0001, 0, assign.Take()));
  ASSERT_EQ(out.size(), 1u);
  Send(kHost, address, Msg(0xFF00, 0, Writer().U16be(Sequence(out[0])).Take()));
  const uint64_t offered = net->version();
  hostSequence = 0;
  for (uint32_t offset = 0; offset < 5000; offset += 500)
    Request(address, 0x0002, Writer().U32be(offset).Raw(Bytes(500, 0x5A)).Take());
  EXPECT_EQ(R(3).image.size(), 5000u);
  EXPECT_EQ(net->version(), offered);
  Send(kHost, address, Msg(0x0003, 0));
  EXPECT_GT(net->version(), offered);
}

TEST_F(FirmwareTest, RepeatedAnnouncementNeitherOffersAgainNorRestartsTheDownload) {
  const uint32_t address = Ip("198.51.100.43");
  Writer assign;
  assign.Raw(R(3).config.hardware).U32be(address);
  const Bytes announcement = assign.Take();
  auto out = Send(kHost, kBroadcast, Msg(0x0001, 0, announcement));
  ASSERT_EQ(out.size(), 1u);
  // Repeated while the offer is still unacknowledged: the offer's own
  // repetition covers its loss, so no second offer.
  EXPECT_TRUE(Send(kHost, kBroadcast, Msg(0x0001, 0, announcement)).empty());
  Send(kHost, address, Msg(0xFF00, 0, Writer().U16be(Sequence(out[0])).Take()));
  hostSequence = 0;
  for (uint32_t offset = 0; offset < 1000; offset += 500)
    Request(address, 0x0002, Writer().U32be(offset).Raw(Bytes(500, 0x5A)).Take());
  // Repeated once blocks arrive: the image received so far stays.
  EXPECT_TRUE(Send(kHost, kBroadcast, Msg(0x0001, 0, announcement)).empty());
  EXPECT_EQ(R(3).image.size(), 1000u);
  // Another host's announcement still takes the loader over.
  Writer other;
  other.Raw(R(3).config.hardware).U32be(address);
  EXPECT_EQ(Send(Ip("198.51.100.2"), kBroadcast, Msg(0x0001, 0, other.Take())).size(), 1u);
  EXPECT_TRUE(R(3).image.empty());
}

TEST_F(FirmwareTest, BadChecksumKeepsTheOldConfiguration) {
  Register(kOpen);
  Send(kHost, kOpen, Msg(0x0004, 0));
  Bytes image = MakeImage("2.08", 0, 0);
  ASSERT_TRUE(EmbedRecords(image, NewConfiguration(kOpen)));
  Reader seg(image, kSegmentOffset);
  image[size_t(seg.U16le() - 0x8000) * 16 + 20] ^= 1;
  Download(R(0).config.hardware, kOpen, image);
  Wait(2000);
  EXPECT_EQ(R(0).mode, Mode::Running);
  EXPECT_FALSE(R(0).firmware.applied);
  EXPECT_NE(R(0).firmware.error.find("checksum"), std::string::npos);
  EXPECT_EQ(R(0).config.firmwareVersion, "2.10");
  EXPECT_EQ(R(0).routes.size(), 4u);
  EXPECT_NE(StateJson(*net, now).find("\"applied\":false"), std::string::npos);
}

// Real routers number their numbered messages from 1 again after every
// restart and forget the requests they have seen.
class RestartTest : public FirmwareTest {
 protected:
  // Registers with the open router and reads two entries, so that its
  // counter has moved past 1.
  void RegisterAndRead() {
    Register(kOpen);
    for (uint16_t i = 0; i < 2; ++i) {
      auto out = Request(kOpen, 0x1011, Entry(kRoutes, i));
      ASSERT_EQ(out.size(), 1u);
    }
    ASSERT_EQ(R(0).sequence, 3);
  }
  uint16_t OfferSequence(uint32_t address) {
    Writer assign;
    assign.Raw(R(0).config.hardware).U32be(address);
    auto out = Send(kHost, kBroadcast, Msg(0x0001, 0, assign.Take()));
    EXPECT_EQ(out.size(), 1u);
    return out.empty() ? 0 : Sequence(out[0]);
  }
};

TEST_F(RestartTest, LoaderNumbersFromOneAfterEnteringIt) {
  RegisterAndRead();
  Send(kHost, kOpen, Msg(0x0004, 0));
  ASSERT_EQ(R(0).mode, Mode::Loader);
  EXPECT_EQ(OfferSequence(Ip("198.51.100.44")), 1);
}

TEST_F(RestartTest, RunningRouterDroppingToItsLoaderForAnAddressNumbersFromOne) {
  RegisterAndRead();
  EXPECT_EQ(OfferSequence(Ip("198.51.100.45")), 1);
  EXPECT_EQ(R(0).mode, Mode::Loader);
}

TEST_F(RestartTest, RouterNumbersFromOneAfterTheRestartThatEndsADownload) {
  RegisterAndRead();
  Send(kHost, kOpen, Msg(0x0004, 0));
  Bytes image = MakeImage("2.08", 0, 0);
  ASSERT_TRUE(EmbedRecords(image, NewConfiguration(kOpen)));
  Download(R(0).config.hardware, kOpen, image);
  Wait(2000);
  ASSERT_EQ(R(0).mode, Mode::Running);
  // The loader's offer was its 1; the restarted router starts over.
  auto out = Send(kHost, kOpen, Msg(0x1001, 1));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(Command(out[1]), 0x1004);  // the new configuration has a password
  EXPECT_EQ(Sequence(out[1]), 1);
}

TEST_F(RestartTest, RestartAfterARejectedImageNumbersFromOneToo) {
  RegisterAndRead();
  Send(kHost, kOpen, Msg(0x0004, 0));
  Download(R(0).config.hardware, kOpen, Bytes(1000, 0x5A));
  Wait(2000);
  ASSERT_EQ(R(0).mode, Mode::Running);
  ASSERT_FALSE(R(0).firmware.applied);
  auto out = Send(kHost, kOpen, Msg(0x1001, 1));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(Command(out[1]), 0x3001);
  EXPECT_EQ(Sequence(out[1]), 1);
}

TEST_F(RestartTest, ContinuousNumberingKeepsCountingAcrossRestarts) {
  Faults faults;
  faults.continuousNumbering = true;
  Make(kRouters, faults);
  RegisterAndRead();
  Send(kHost, kOpen, Msg(0x0004, 0));
  EXPECT_EQ(OfferSequence(Ip("198.51.100.44")), 4);
}

TEST_F(RestartTest, RebootEndsTheSessionSilentlyAndKeepsTheStoredConfiguration) {
  RegisterAndRead();
  Request(kOpen, 0x1013, Writer().U8(0).U16be(0).Take());  // connect line target 0
  ASSERT_EQ(R(0).channels[0].state, 3);
  // An answer the host has not acknowledged yet.
  auto unanswered = Send(kHost, kOpen, Msg(0x1011, ++hostSequence, Entry(kRoutes, 2)));
  ASSERT_EQ(unanswered.size(), 2u);
  ASSERT_TRUE(R(0).pending.active);

  ASSERT_TRUE(net->Reboot(R(0).config.hardware, now));
  EXPECT_TRUE(net->TakeOutgoing(now).empty());
  EXPECT_EQ(R(0).mode, Mode::Restarting);
  EXPECT_EQ(R(0).session, 0u);
  EXPECT_FALSE(R(0).pending.active);
  EXPECT_EQ(R(0).channels[0].state, 0);
  EXPECT_TRUE(Send(kHost, kOpen, Msg(0xF031, 0)).empty());  // silent while restarting

  // Back after restartMs, announcing itself to nobody and repeating nothing.
  EXPECT_TRUE(Wait(10000).empty());
  EXPECT_EQ(R(0).mode, Mode::Running);
  EXPECT_EQ(R(0).config.address, kOpen);
  EXPECT_EQ(Routes(0).size(), 4u);
  EXPECT_EQ(R(0).lineTargets.size(), 2u);
  // Numbering from 1, and the host's request numbered 1 again is a new
  // request, not a repetition of the one before the reboot.
  auto out = Send(kHost, kOpen, Msg(0x1001, 1));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(Command(out[1]), 0x3001);
  EXPECT_EQ(Sequence(out[1]), 1);
  EXPECT_EQ(R(0).session, kHost);
}

TEST_F(RestartTest, RebootKeepsThePasswordAndForgetsOpenChallenges) {
  auto challenge = Request(kGuarded, 0x1001);
  ASSERT_EQ(challenge.size(), 1u);
  ASSERT_EQ(Command(challenge[0]), 0x1004);
  ASSERT_TRUE(net->Reboot(1, now));
  ASSERT_TRUE(net->Reboot(3, now));
  Wait(2000);
  EXPECT_EQ(R(1).mode, Mode::Running);
  EXPECT_EQ(R(1).config.password, "secret");
  EXPECT_EQ(R(3).mode, Mode::Loader);  // no address stored: back in its loader
  // The answer to the challenge from before the reboot finds none.
  uint8_t plain[10] = {'s', 'e', 'c', 'r', 'e', 't'}, scrambled[10];
  ScramblePassword(scrambled, plain,
                   uint16_t(Payload(challenge[0])[0] << 8 | Payload(challenge[0])[1]));
  Writer w;
  w.U16be(Sequence(challenge[0])).Raw(std::span<const uint8_t>(scrambled, 10));
  EXPECT_TRUE(Request(kGuarded, 0x3004, w.Take()).empty());
  EXPECT_EQ(R(1).session, 0u);
  auto out = Request(kGuarded, 0x1001);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x1004);
  EXPECT_EQ(Sequence(out[0]), 1);
}

TEST_F(RestartTest, RebootDuringADownloadLosesTheImage) {
  Writer assign;
  assign.Raw(R(3).config.hardware).U32be(Ip("198.51.100.46"));
  auto out = Send(kHost, kBroadcast, Msg(0x0001, 0, assign.Take()));
  ASSERT_EQ(out.size(), 1u);
  Request(Ip("198.51.100.46"), 0x0002, Writer().U32be(0).Raw(Bytes(500, 1)).Take());
  ASSERT_EQ(R(3).image.size(), 500u);
  ASSERT_TRUE(net->Reboot(3, now));
  EXPECT_TRUE(Wait(10000).empty());
  EXPECT_EQ(R(3).mode, Mode::Loader);
  EXPECT_TRUE(R(3).image.empty());
  EXPECT_EQ(R(3).loaderAddress, 0u);
}

TEST_F(RestartTest, UnknownRouterCannotBeRebootedOrSilenced) {
  EXPECT_FALSE(net->Reboot(4, now));
  EXPECT_FALSE(net->Reboot(HardwareAddress{1, 2, 3, 4, 5, 6}, now));
  EXPECT_FALSE(net->Silence(4, true));
  EXPECT_FALSE(net->Silence(HardwareAddress{1, 2, 3, 4, 5, 6}, true));
  EXPECT_EQ(net->FindRouter(R(2).config.hardware), std::optional<size_t>(2));
}

TEST_F(NetworkTest, SilencedRouterNeitherHearsNorSpeaksUntilPluggedBackIn) {
  Register(kOpen);
  // An answer on its way when the cable is pulled.
  auto first = Send(kHost, kOpen, Msg(0x1011, ++hostSequence, Entry(kRoutes, 0)));
  ASSERT_EQ(first.size(), 2u);
  const uint64_t before = net->version();
  ASSERT_TRUE(net->Silence(0, true));
  EXPECT_GT(net->version(), before);
  EXPECT_TRUE(R(0).silenced);
  EXPECT_EQ(Send(kHost, kBroadcast, Msg(0xF031, 0)).size(), 3u);
  EXPECT_TRUE(Send(kHost, kOpen, Msg(0xF031, 0)).empty());
  EXPECT_TRUE(Send(kHost, kOpen, Msg(0x1011, ++hostSequence, Entry(kRoutes, 1))).empty());
  EXPECT_TRUE(Wait(2500).empty());  // the first repetition is lost too
  EXPECT_EQ(R(0).session, kHost);   // the router knows nothing of it
  EXPECT_NE(StateJson(*net, now).find("\"silenced\":true"), std::string::npos);

  ASSERT_TRUE(net->Silence(R(0).config.hardware, false));
  // The answer is still being repeated, and the router hears again.
  auto repeated = Wait(2000);
  ASSERT_EQ(repeated.size(), 1u);
  EXPECT_EQ(Sequence(repeated[0]), Sequence(first[1]));
  EXPECT_EQ(Send(kHost, kOpen, Msg(0xF031, 0)).size(), 1u);
}

TEST_F(NetworkTest, ControlCommandsRebootSilenceAndUnsilenceByHardwareAddress) {
  EXPECT_EQ(ApplyControlCommand(*net, "reboot 00-60-1a-00-00-01", now), "");
  EXPECT_EQ(R(0).mode, Mode::Restarting);
  EXPECT_EQ(R(0).reboots, 1u);
  EXPECT_EQ(ApplyControlCommand(*net, "silence 00:60:1a:00:00:02", now), "");
  EXPECT_TRUE(R(1).silenced);
  EXPECT_EQ(ApplyControlCommand(*net, "  unsilence   00:60:1a:00:00:02  \r", now), "");
  EXPECT_FALSE(R(1).silenced);
  EXPECT_EQ(ApplyControlCommand(*net, "", now), "");
  EXPECT_EQ(ApplyControlCommand(*net, "# a comment", now), "");
  EXPECT_NE(StateJson(*net, now).find("\"reboots\":1"), std::string::npos);
}

TEST_F(NetworkTest, BadControlCommandsSayWhatIsWrongAndChangeNothing) {
  const uint64_t before = net->version();
  EXPECT_EQ(ApplyControlCommand(*net, "halt 00-60-1a-00-00-01", now),
            "unknown command 'halt' (reboot, silence or unsilence)");
  EXPECT_EQ(ApplyControlCommand(*net, "reboot", now), "reboot: hardware address missing");
  EXPECT_EQ(ApplyControlCommand(*net, "reboot 00-60-1a", now),
            "reboot: bad hardware address '00-60-1a'");
  EXPECT_EQ(ApplyControlCommand(*net, "silence 00-60-1a-00-00-01 now", now),
            "silence: unexpected 'now'");
  EXPECT_EQ(ApplyControlCommand(*net, "reboot 00:60:1a:00:00:09", now),
            "reboot: no router with hardware address 00-60-1a-00-00-09");
  EXPECT_EQ(net->version(), before);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(R(i).reboots, 0u);
    EXPECT_FALSE(R(i).silenced);
  }
}

}  // namespace
