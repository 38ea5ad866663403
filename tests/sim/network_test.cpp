// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/network.h"

#include <gtest/gtest.h>

#include "sim/network_fixture.h"
#include "sim/state_json.h"

using namespace tarnex_sim;
using namespace tarnex_sim::testing;

namespace {

Bytes Route(const char* mask, const char* match, const char* gateway) {
  return EncodeRouteBody(tarnex_sim::Route{Ip(mask), Ip(match), Ip(gateway)});
}

TEST_F(NetworkTest, BroadcastScanIsAnsweredByEveryRouter) {
  auto out = Send(kHost, kBroadcast, Msg(0xF031, 0));
  ASSERT_EQ(out.size(), 4u);
  for (const Datagram& d : out) {
    EXPECT_EQ(Command(d), 0x3031);
    EXPECT_EQ(Sequence(d), 0);
    EXPECT_EQ(d.to, kHost);
    EXPECT_EQ(Payload(d).size(), 16u);
  }
  Reader held(Payload(out[2]), 2);
  held.Skip(6);
  EXPECT_EQ(held.U32be(), kHeld);
  EXPECT_EQ(held.U32be(), Ip("198.51.100.2"));
  Reader loader(Payload(out[3]), 2);
  EXPECT_EQ(loader.Raw(6), (Bytes{0x00, 0x60, 0x1a, 0x00, 0x00, 0x04}));
  EXPECT_EQ(loader.U32be(), 0u);
  EXPECT_EQ(out[0].from, kOpen);
}

TEST_F(NetworkTest, UnicastReachesOnlyThatRouter) {
  auto out = Send(kHost, kGuarded, Msg(0xF031, 0));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].from, kGuarded);
  EXPECT_TRUE(Send(kHost, Ip("198.51.100.77"), Msg(0xF031, 0)).empty());
}

TEST_F(NetworkTest, RegistrationIsAcknowledgedBeforeItIsAccepted) {
  auto out = Send(kHost, kOpen, Msg(0x1001, 1));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].bytes, (Bytes{0xFF, 0x00, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(Command(out[1]), 0x3001);
  EXPECT_NE(Sequence(out[1]), 0);
  Reader r(Payload(out[1]), 2);
  EXPECT_EQ(r.U16be(), 2);  // line targets
  EXPECT_EQ(r.U16be(), 4);  // routes
  EXPECT_EQ(r.U16be(), 1);  // filters
  EXPECT_EQ(r.U32be(), 0xFFFFFF00u);
  EXPECT_EQ(r.Text(20), "0301110");
  EXPECT_EQ(Payload(out[1]).size(), 44u);
  EXPECT_EQ(R(0).session, kHost);
}

TEST_F(NetworkTest, PasswordChallengeAcceptsTheRightPassword) {
  auto out = Request(kGuarded, 0x1001);
  ASSERT_EQ(out.size(), 1u);
  ASSERT_EQ(Command(out[0]), 0x1004);
  ASSERT_EQ(Payload(out[0]).size(), 2u);
  uint16_t seed = uint16_t(Payload(out[0])[0] << 8 | Payload(out[0])[1]);
  uint8_t plain[10] = {'s', 'e', 'c', 'r', 'e', 't'}, scrambled[10];
  ScramblePassword(scrambled, plain, seed);
  Writer w;
  w.U16be(Sequence(out[0])).Raw(std::span<const uint8_t>(scrambled, 10));
  out = Request(kGuarded, 0x3004, w.Take());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3001);
  EXPECT_EQ(R(1).session, kHost);
}

TEST_F(NetworkTest, WrongPasswordIsRefusedWithCode3) {
  auto out = Request(kGuarded, 0x1001);
  ASSERT_EQ(Command(out.at(0)), 0x1004);
  uint16_t seed = uint16_t(Payload(out[0])[0] << 8 | Payload(out[0])[1]);
  uint8_t plain[10] = {'S', 'e', 'c', 'r', 'e', 't'}, scrambled[10];
  ScramblePassword(scrambled, plain, seed);
  Writer w;
  w.U16be(Sequence(out[0])).Raw(std::span<const uint8_t>(scrambled, 10));
  out = Request(kGuarded, 0x3004, w.Take());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3003);
  Reader r(Payload(out[0]), 2);
  EXPECT_EQ(r.U16be(), 3);
  EXPECT_EQ(R(1).session, 0u);
}

TEST_F(NetworkTest, ScramblingUsesTheSeedModulo257) {
  uint8_t in[10] = {'a'}, a[10], b[10], c[10];
  ScramblePassword(a, in, 257);
  ScramblePassword(b, in, 0);
  ScramblePassword(c, in, 256);
  EXPECT_EQ(Bytes(a, a + 10), Bytes(b, b + 10));
  EXPECT_EQ(Bytes(a, a + 10), Bytes(c, c + 10));
  // k = (0 + 13) * 167 / 64 = 33 for the first byte.
  EXPECT_EQ(a[0], 'a' ^ 33);
}

TEST_F(NetworkTest, RouterHeldByAnotherHostRefusesWithCode4NamingIt) {
  auto out = Request(kHeld, 0x1001);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3003);
  Reader r(Payload(out[0]), 2);
  EXPECT_EQ(r.U16be(), 4);
  EXPECT_EQ(r.U32be(), Ip("198.51.100.2"));
}

TEST_F(NetworkTest, SecondHostIsRefusedWhileTheFirstIsRegistered) {
  Register(kOpen);
  auto out = Request(kOpen, 0x1001, {}, kOtherHost);
  ASSERT_EQ(out.size(), 1u);
  Reader r(Payload(out[0]), 2);
  EXPECT_EQ(r.U16be(), 4);
  EXPECT_EQ(r.U32be(), kHost);
}

TEST_F(NetworkTest, DeregistrationFreesTheRouter) {
  Register(kOpen);
  Send(kHost, kOpen, Msg(0x1003, 0, {0, 7}));
  EXPECT_EQ(R(0).session, 0u);
  EXPECT_EQ(R(0).lastDeregistrationCode, 7);
  hostSequence = 0;  // the tool numbers a new registration from 1 again
  Register(kOpen);
}

TEST_F(NetworkTest, OnlyTheRegisteredHostMayReadTables) {
  Register(kOpen);
  auto out = Request(kOpen, 0x1011, {0xF0, 0, 0}, kOtherHost);
  EXPECT_TRUE(out.empty());
}

TEST_F(NetworkTest, TableReadReturnsTheEntryInWriteLayout) {
  Register(kOpen);
  auto out = Request(kOpen, 0x1011, {0xFF, 0, 1});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3011);
  auto p = Payload(out[0]);
  ASSERT_EQ(p.size(), 5u + 130u);
  EXPECT_EQ(p[2], 0xFF);
  EXPECT_EQ(p[4], 1);
  Reader r(p, 5);
  EXPECT_EQ(r.U32be(), Ip("198.51.100.201"));
  EXPECT_EQ(r.Text(20), "0302");
  EXPECT_EQ(r.U8(), 2);        // hdlc
  EXPECT_EQ(r.U16be(), 1500);  // block size
  EXPECT_EQ(p[5 + 31], 1);     // layer 3 type t70nl
  EXPECT_EQ(p[5 + 44], 8);     // seventh parameter, low byte
  out = Request(kOpen, 0x1011, {0xFF, 0, 2});
  EXPECT_EQ(Payload(out.at(0)).size(), 5u);  // beyond the table: no entry
}

TEST_F(NetworkTest, DeletingTheSecondOfThreeLeavesTheOthersInOrder) {
  Make(
      "[router]\nip = 198.51.100.10\n"
      "route = 255.255.255.0 10.0.1.0 198.51.100.200\n"
      "route = 255.255.255.0 10.0.2.0 198.51.100.200\n"
      "route = 255.255.255.0 10.0.3.0 198.51.100.200\n");
  Register(kOpen);
  // What the tool sends: the former third entry at position 1, then the
  // deletion of the old position 2.
  EXPECT_EQ(
      WriteStatus(Request(kOpen, 0x1017,
                          Entry(0xF0, 1, Route("255.255.255.0", "10.0.3.0", "198.51.100.200")))),
      0);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017, Entry(0xF0, 2))), 0);
  auto routes = Routes(0);
  ASSERT_EQ(routes.size(), 2u);
  EXPECT_EQ(routes[0].match, Ip("10.0.1.0"));
  EXPECT_EQ(routes[1].match, Ip("10.0.3.0"));
}

TEST_F(NetworkTest, DeletionsByOldPositionsAfterShorteningKeepTheNewEntries) {
  Register(kOpen);
  // Four routes edited down to the former third and fourth entries.
  Request(kOpen, 0x1017, Entry(0xF0, 0, Route("255.255.255.0", "10.0.3.0", "198.51.100.200")));
  Request(kOpen, 0x1017, Entry(0xF0, 1, Route("255.255.255.0", "10.0.4.0", "198.51.100.200")));
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017, Entry(0xF0, 2))), 0);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017, Entry(0xF0, 3))), 0);
  auto routes = Routes(0);
  ASSERT_EQ(routes.size(), 2u);
  EXPECT_EQ(routes[0].match, Ip("10.0.3.0"));
  EXPECT_EQ(routes[1].match, Ip("10.0.4.0"));
  // A read after the run sees the compacted table.
  auto out = Request(kOpen, 0x1011, {0xF0, 0, 2});
  EXPECT_EQ(Payload(out.at(0)).size(), 5u);
}

TEST_F(NetworkTest, WriteAtTheCountAppendsAndBeyondIsRefused) {
  Register(kOpen);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017,
                                Entry(0xF0, 4, Route("255.0.0.0", "10.0.0.0", "198.51.100.201")))),
            0);
  EXPECT_EQ(Routes(0).size(), 5u);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017,
                                Entry(0xF0, 9, Route("255.0.0.0", "10.0.0.0", "198.51.100.201")))),
            8);
  EXPECT_EQ(Routes(0).size(), 5u);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017, Entry(0xF0, 0, {1, 2, 3}))), 7);
}

TEST_F(NetworkTest, RepeatedWriteIsAnsweredAgainButAppliedOnce) {
  Register(kOpen);
  Bytes write = Msg(0x1017, 50, Entry(0xF0, 4, Route("255.0.0.0", "10.0.0.0", "198.51.100.201")));
  auto first = Send(kHost, kOpen, write);
  ASSERT_EQ(first.size(), 2u);
  auto again = Send(kHost, kOpen, write);
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(Command(again[0]), 0xFF00);
  // The host may have lost the answer too: the same answer, same number.
  EXPECT_EQ(again[1].bytes, first[1].bytes);
  EXPECT_EQ(Routes(0).size(), 5u);
}

TEST_F(NetworkTest, UnacknowledgedAnswerIsRepeatedThreeTimes) {
  auto out = Send(kHost, kOpen, Msg(0x1001, 1));
  ASSERT_EQ(out.size(), 2u);
  Bytes answer = out[1].bytes;
  auto later = Wait(20000);
  ASSERT_EQ(later.size(), 3u);
  for (const Datagram& d : later)
    EXPECT_EQ(d.bytes, answer);
}

TEST_F(NetworkTest, AcknowledgedAnswerIsNotRepeated) {
  Register(kOpen);
  EXPECT_TRUE(Wait(20000).empty());
}

TEST_F(NetworkTest, AckFromAnotherHostDoesNotStopRepetition) {
  auto out = Send(kHost, kOpen, Msg(0x1001, 1));
  Send(kOtherHost, kOpen, Msg(0xFF00, 0, Writer().U16be(Sequence(out[1])).Take()));
  EXPECT_EQ(Wait(2500).size(), 1u);
}

TEST_F(NetworkTest, MonitoringReportsOnceASecondUntilStopped) {
  Register(kOpen);
  auto out = Request(kOpen, 0x1015);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x0F01);
  EXPECT_EQ(Sequence(out[0]), 0);
  EXPECT_EQ(Payload(out[0]).size(), 86u);
  EXPECT_EQ(Wait(3000).size(), 3u);
  Request(kOpen, 0x1016);
  EXPECT_TRUE(Wait(3000).empty());
}

TEST_F(NetworkTest, ConnectPutsAFreeChannelIntoConnectedState) {
  Register(kOpen);
  Request(kOpen, 0x1013, {0, 0, 1});
  EXPECT_EQ(R(0).channels[0].state, 3);
  EXPECT_EQ(R(0).channels[0].remote, Ip("198.51.100.201"));
  EXPECT_EQ(R(0).channels[0].phone, "0302");
  Request(kOpen, 0x1013, {0, 0, 0});
  EXPECT_EQ(R(0).channels[1].remote, Ip("198.51.100.200"));
  Wait(5000);
  EXPECT_EQ(R(0).channels[0].duration, 5u);
  auto out = Request(kOpen, 0x1015);
  ASSERT_EQ(out.size(), 1u);
  auto p = Payload(out[0]);
  EXPECT_EQ(p[0], 3);
  EXPECT_EQ(p[43], 3);
  Request(kOpen, 0x1014, {1});
  EXPECT_EQ(R(0).channels[1].state, 0);
  EXPECT_EQ(R(0).channels[0].state, 3);
}

TEST_F(NetworkTest, AccountingReadAndResetClearsTheCounters) {
  Register(kOpen);
  auto out = Request(kOpen, 0x1012, {0xFF, 0, 0});
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3012);
  Reader r(Payload(out[0]), 4);
  for (uint32_t want = 1; want <= 7; ++want)
    EXPECT_EQ(r.U32be(), want);
  out = Request(kOpen, 0x1012, {0, 0, 0});
  Reader zero(Payload(out.at(0)), 4);
  EXPECT_EQ(zero.U32be(), 0u);
}

TEST_F(NetworkTest, ReadsAreNoChangeOfState) {
  Register(kOpen);
  const uint64_t registered = net->version();
  Request(kOpen, 0x1011, {0xFF, 0, 0});
  Request(kOpen, 0x1011, {0xF0, 0, 3});
  Request(kOpen, 0x1012, {0, 0, 0});
  EXPECT_EQ(net->version(), registered);
  Request(kOpen, 0x1012, {0xFF, 0, 0});  // read and reset
  EXPECT_GT(net->version(), registered);
}

TEST_F(NetworkTest, ReadThatDropsTheHolesOfAWriteRunIsAChange) {
  Register(kOpen);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017, Entry(0xF0, 1))), 0);  // leaves a hole
  const uint64_t written = net->version();
  Request(kOpen, 0x1011, {0xF0, 0, 1});
  EXPECT_GT(net->version(), written);
  EXPECT_EQ(R(0).routes.size(), 3u);
}

TEST_F(NetworkTest, PasswordChangeStoresTheNewPasswordAndExclusiveHost) {
  Register(kOpen);
  uint8_t fresh[10] = {'n', 'e', 'u'}, current[10] = {}, a[10], b[10];
  ScramblePassword(a, fresh, 4711);
  ScramblePassword(b, current, 4711);
  Writer w;
  w.U16be(4711).U8(0xFF).Raw(std::span<const uint8_t>(a, 10)).Raw(std::span<const uint8_t>(b, 10));
  auto out = Request(kOpen, 0x1005, w.Take());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3005);
  EXPECT_EQ(Payload(out[0])[3], 0);
  EXPECT_EQ(R(0).config.password, "neu");
  EXPECT_EQ(R(0).config.owner, kHost);
  Send(kHost, kOpen, Msg(0x1003, 0));
  auto refused = Request(kOpen, 0x1001, {}, kOtherHost);
  Reader r(Payload(refused.at(0)), 2);
  EXPECT_EQ(r.U16be(), 4);
}

TEST_F(NetworkTest, ParameterWriteUpdatesTheRouter) {
  Register(kOpen);
  Writer w;
  w.U32be(kOpen).U32be(0xFFFF0000).Text("0309999", 20).U8(1);
  auto out = Request(kOpen, 0x1018, w.Take());
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(Command(out[0]), 0x3018);
  EXPECT_EQ(R(0).config.netmask, 0xFFFF0000u);
  EXPECT_EQ(R(0).config.phone, "0309999");
  EXPECT_EQ(R(0).config.permanentConnection, 1);
}

TEST_F(NetworkTest, InjectedWriteStatusIsReturnedAndNothingChanges) {
  Faults f;
  f.writeStatus = 11;
  Make(kRouters, f);
  Register(kOpen);
  EXPECT_EQ(WriteStatus(Request(kOpen, 0x1017, Entry(0xF0, 0))), 11);
  EXPECT_EQ(Routes(0).size(), 4u);
}

TEST_F(NetworkTest, InjectedRefusalCode) {
  Faults f;
  f.refuseCode = 5;
  Make(kRouters, f);
  auto out = Request(kOpen, 0x1001);
  Reader r(Payload(out.at(0)), 2);
  EXPECT_EQ(Command(out[0]), 0x3003);
  EXPECT_EQ(r.U16be(), 5);
}

TEST_F(NetworkTest, DropEverythingSendsNothing) {
  Faults f;
  f.dropProbability = 1;
  Make(kRouters, f);
  EXPECT_TRUE(Send(kHost, kBroadcast, Msg(0xF031, 0)).empty());
}

TEST_F(NetworkTest, DelayHoldsAnswersBack) {
  Faults f;
  f.delayMs = 300;
  Make(kRouters, f);
  EXPECT_TRUE(Send(kHost, kOpen, Msg(0xF031, 0)).empty());
  EXPECT_EQ(Wait(300).size(), 1u);
}

TEST_F(NetworkTest, SameSeedGivesTheSameRun) {
  Faults f;
  f.dropProbability = 0.5;
  f.duplicateProbability = 0.3;
  auto run = [&] {
    Make(kRouters, f);
    std::vector<Bytes> seen;
    for (int i = 0; i < 20; ++i)
      for (Datagram& d : Send(kHost, kBroadcast, Msg(0xF031, 0)))
        seen.push_back(d.bytes);
    return seen;
  };
  auto a = run();
  EXPECT_EQ(a, run());
  EXPECT_GT(a.size(), 0u);
  EXPECT_LT(a.size(), 80u * 2);
}

TEST_F(NetworkTest, MalformedDatagramsNeverCrash) {
  Register(kOpen);
  std::mt19937 random(3);
  for (int i = 0; i < 20000; ++i) {
    static const uint16_t commands[] = {0x1001, 0x1003, 0x1004, 0x1005, 0x1011, 0x1012,
                                        0x1013, 0x1014, 0x1015, 0x1017, 0x1018, 0x3004,
                                        0x0001, 0x0002, 0x0003, 0xF031, 0xF032, 0xFF00};
    Bytes b(random() % 40);
    for (auto& x : b)
      x = uint8_t(random());
    if (b.size() >= 2) {
      uint16_t c = commands[random() % std::size(commands)];
      b[0] = uint8_t(c >> 8);
      b[1] = uint8_t(c);
    }
    Send(kHost, random() % 2 ? kOpen : kBroadcast, b);
  }
  SUCCEED();
}

TEST_F(NetworkTest, StateJsonShowsDecodedTables) {
  Register(kOpen);
  std::string json = StateJson(*net, now);
  EXPECT_NE(json.find("\"registeredHost\":\"198.51.100.1\""), std::string::npos);
  EXPECT_NE(json.find("\"match\":\"10.0.2.0\""), std::string::npos);
  EXPECT_NE(json.find("\"layer2\":\"hdlc\""), std::string::npos);
  EXPECT_NE(json.find("\"counters\":[1,2,3,4,5,6,7]"), std::string::npos);
  EXPECT_NE(json.find("\"mode\":\"loader\""), std::string::npos);
}

}  // namespace
