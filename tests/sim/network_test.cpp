// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/network.h"

#include <gtest/gtest.h>

#include <memory>

#include "sim/control.h"
#include "sim/loaded_image.h"
#include "sim/router_file.h"
#include "sim/state_json.h"

using namespace tarnex_sim;

namespace {

uint32_t Ip(const char* text) {
  return *ParseIp(text);
}

const uint32_t kHost = Ip("198.51.100.1");
const uint32_t kOtherHost = Ip("198.51.100.5");
const uint32_t kBroadcast = Ip("198.51.100.255");
const uint32_t kOpen = Ip("198.51.100.10");
const uint32_t kGuarded = Ip("198.51.100.11");
const uint32_t kHeld = Ip("198.51.100.12");

const char kRouters[] =
    "[router]\n"
    "hw = 00:60:1a:00:00:01\n"
    "ip = 198.51.100.10\n"
    "phone = 0301110\n"
    "target = 198.51.100.200 0301 l2=x75 l3=null counters=1,2,3,4,5,6,7\n"
    "target = 198.51.100.201 0302 l2=hdlc l3=t70nl\n"
    "route = 255.255.255.0 10.0.1.0 198.51.100.200\n"
    "route = 255.255.255.0 10.0.2.0 198.51.100.200\n"
    "route = 255.255.255.0 10.0.3.0 198.51.100.200\n"
    "route = 255.255.255.0 10.0.4.0 198.51.100.200\n"
    "filter = accept all 0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0\n"
    "[router]\n"
    "hw = 00:60:1a:00:00:02\n"
    "ip = 198.51.100.11\n"
    "password = secret\n"
    "[router]\n"
    "hw = 00:60:1a:00:00:03\n"
    "ip = 198.51.100.12\n"
    "registered = 198.51.100.2\n"
    "[router]\n"
    "hw = 00:60:1a:00:00:04\n"
    "ip = none\n";

Bytes Msg(uint16_t command, uint16_t seq, Bytes payload = {}) {
  Writer w;
  w.U16be(command).U16be(seq).Raw(payload);
  return w.Take();
}

uint16_t Command(const Datagram& d) {
  return uint16_t(d.bytes.at(0) << 8 | d.bytes.at(1));
}
uint16_t Sequence(const Datagram& d) {
  return uint16_t(d.bytes.at(2) << 8 | d.bytes.at(3));
}
std::span<const uint8_t> Payload(const Datagram& d) {
  return std::span<const uint8_t>(d.bytes).subspan(4);
}

Bytes Route(const char* mask, const char* match, const char* gateway) {
  return EncodeRouteBody(tarnex_sim::Route{Ip(mask), Ip(match), Ip(gateway)});
}

Bytes Entry(uint8_t type, uint16_t position, const Bytes& body = {}) {
  Writer w;
  w.U8(type).U16be(position).Raw(body);
  return w.Take();
}

class NetworkTest : public testing::Test {
 protected:
  void Make(const std::string& text = kRouters, Faults faults = {}) {
    RouterFileResult file = ParseRouterFile(text);
    ASSERT_EQ(file.error, "");
    net = std::make_unique<Network>(file.routers, faults, 7);
  }
  void SetUp() override { Make(); }

  std::vector<Datagram> Send(uint32_t from, uint32_t to, const Bytes& bytes) {
    net->Receive(now, from, to, bytes);
    net->Advance(now);
    return net->TakeOutgoing(now);
  }
  std::vector<Datagram> Wait(uint64_t ms) {
    std::vector<Datagram> all;
    for (uint64_t end = now + ms; now < end;) {
      now = std::min(end, now + 100);
      net->Advance(now);
      for (Datagram& d : net->TakeOutgoing(now))
        all.push_back(std::move(d));
    }
    return all;
  }
  // Sends a numbered request; expects the ack first, returns the answers.
  std::vector<Datagram> Request(uint32_t router, uint16_t command, Bytes payload = {},
                                uint32_t from = kHost) {
    uint16_t seq = ++hostSequence;
    std::vector<Datagram> out = Send(from, router, Msg(command, seq, payload));
    EXPECT_FALSE(out.empty());
    if (out.empty())
      return out;
    EXPECT_EQ(Command(out[0]), 0xFF00);
    EXPECT_EQ(Sequence(out[0]), 0);
    EXPECT_EQ(Payload(out[0])[0] << 8 | Payload(out[0])[1], seq);
    out.erase(out.begin());
    for (const Datagram& d : out)
      if (Sequence(d) != 0)
        Send(from, router, Msg(0xFF00, 0, Writer().U16be(Sequence(d)).Take()));
    return out;
  }
  void Register(uint32_t router) {
    auto out = Request(router, 0x1001);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_EQ(Command(out[0]), 0x3001);
  }
  const Router& R(size_t i) { return net->routers()[i]; }
  std::vector<tarnex_sim::Route> Routes(size_t i) {
    std::vector<tarnex_sim::Route> out;
    for (const auto& e : R(i).routes)
      if (e)
        out.push_back(*e);
    return out;
  }
  uint16_t WriteStatus(const std::vector<Datagram>& out) {
    EXPECT_EQ(out.size(), 1u);
    if (out.size() != 1 || Command(out[0]) != 0x3017)
      return 0xFFFF;
    Reader r(Payload(out[0]), 5);
    return r.U16be();
  }

  std::unique_ptr<Network> net;
  uint64_t now = 1000;
  uint16_t hostSequence = 0;
};

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

TEST_F(NetworkTest, StateJsonShowsDecodedTables) {
  Register(kOpen);
  std::string json = StateJson(*net, now);
  EXPECT_NE(json.find("\"registeredHost\":\"198.51.100.1\""), std::string::npos);
  EXPECT_NE(json.find("\"match\":\"10.0.2.0\""), std::string::npos);
  EXPECT_NE(json.find("\"layer2\":\"hdlc\""), std::string::npos);
  EXPECT_NE(json.find("\"counters\":[1,2,3,4,5,6,7]"), std::string::npos);
  EXPECT_NE(json.find("\"mode\":\"loader\""), std::string::npos);
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
