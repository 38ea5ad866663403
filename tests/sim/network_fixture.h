// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated network the router emulator's tests talk to: four routers
// (open, password-protected, held by another host, a loader), a host that
// sends datagrams and advances the clock by hand, and the message helpers.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/network.h"
#include "sim/router_file.h"

namespace tarnex_sim::testing {

inline uint32_t Ip(const char* text) {
  return *ParseIp(text);
}

inline const uint32_t kHost = Ip("198.51.100.1");
inline const uint32_t kOtherHost = Ip("198.51.100.5");
inline const uint32_t kBroadcast = Ip("198.51.100.255");
inline const uint32_t kOpen = Ip("198.51.100.10");
inline const uint32_t kGuarded = Ip("198.51.100.11");
inline const uint32_t kHeld = Ip("198.51.100.12");

inline const char kRouters[] =
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

inline Bytes Msg(uint16_t command, uint16_t seq, Bytes payload = {}) {
  Writer w;
  w.U16be(command).U16be(seq).Raw(payload);
  return w.Take();
}

inline uint16_t Command(const Datagram& d) {
  return uint16_t(d.bytes.at(0) << 8 | d.bytes.at(1));
}
inline uint16_t Sequence(const Datagram& d) {
  return uint16_t(d.bytes.at(2) << 8 | d.bytes.at(3));
}
inline std::span<const uint8_t> Payload(const Datagram& d) {
  return std::span<const uint8_t>(d.bytes).subspan(4);
}

inline Bytes Entry(uint8_t type, uint16_t position, const Bytes& body = {}) {
  Writer w;
  w.U8(type).U16be(position).Raw(body);
  return w.Take();
}

class NetworkTest : public ::testing::Test {
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

}  // namespace tarnex_sim::testing
