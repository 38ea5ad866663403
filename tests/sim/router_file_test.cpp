// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/router_file.h"

#include <gtest/gtest.h>

using namespace tarnex_sim;

TEST(RouterFile, ReadsAllKeysOfARouter) {
  auto r = ParseRouterFile(
      "# comment\n"
      "[router]\n"
      "label = a   # trailing comment\n"
      "hw = 00:11:22:33:44:55\n"
      "ip = 198.51.100.10\n"
      "netmask = 255.255.0.0\n"
      "phone = 0301234\n"
      "dchannel = 1tr6\n"
      "permanent = 2\n"
      "firmware = 2.08\n"
      "password = secret\n"
      "registered = 198.51.100.2\n"
      "target = 198.51.100.200 0301 l2=hdlc l3=t70nl timeout=30 manual=1 remote=a/b "
      "counters=1,2,3,4,5,6,7\n"
      "route = 255.255.255.0 198.51.101.0 198.51.100.200\n"
      "filter = reject tcp 25 255.0.0.0 10.0.0.0 0.0.0.0 0.0.0.0\n");
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.routers.size(), 1u);
  const RouterConfig& c = r.routers[0];
  EXPECT_EQ(FormatHardware(c.hardware), "00-11-22-33-44-55");
  EXPECT_EQ(c.address, *ParseIp("198.51.100.10"));
  EXPECT_EQ(c.netmask, 0xFFFF0000u);
  EXPECT_EQ(c.dChannelProtocol, 0);
  EXPECT_EQ(c.permanentConnection, 2);
  EXPECT_EQ(c.password, "secret");
  EXPECT_EQ(c.owner, *ParseIp("198.51.100.2"));
  ASSERT_EQ(c.lineTargets.size(), 1u);
  const LineTarget& t = c.lineTargets[0];
  EXPECT_EQ(t.layer2Base, 2);
  EXPECT_EQ(t.blockSize, 1500);
  EXPECT_EQ(t.layer3Type, 1);
  EXPECT_EQ(t.layer3Parameters[6], 8);
  EXPECT_EQ(t.timeout, 30);
  EXPECT_EQ(t.manualOnly, 1);
  EXPECT_EQ(IdentificationToText(t.remoteId), "a/b");
  EXPECT_EQ(t.remoteId[1], 0);
  EXPECT_EQ(t.counters[6], 7u);
  ASSERT_EQ(c.filters.size(), 1u);
  EXPECT_EQ(c.filters[0].action, 0);
  EXPECT_EQ(c.filters[0].protocol, 6);
  EXPECT_EQ(c.filters[0].port, 25);
}

TEST(RouterFile, LoaderRouterHasNoAddress) {
  auto r = ParseRouterFile("[router]\nip = none\n");
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.routers[0].address, 0u);
}

TEST(RouterFile, ErrorsNameTheLine) {
  EXPECT_EQ(ParseRouterFile("[router]\nip = 1.2.3\n").error, "line 2: bad address '1.2.3'");
  EXPECT_EQ(ParseRouterFile("ip = 1.2.3.4\n").error, "line 1: key outside a [router] section");
  EXPECT_NE(ParseRouterFile("[router]\npassword = elevenchars\n").error, "");
  EXPECT_NE(ParseRouterFile("[router]\ntarget = 1.2.3.4\n").error, "");
  EXPECT_NE(ParseRouterFile("[router]\nfilter = accept tcp 99999 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0\n")
                .error,
            "");
}

TEST(RouterFile, RejectsTwoRoutersWithOneAddress) {
  auto r = ParseRouterFile("[router]\nip = 10.0.0.1\n[router]\nip = 10.0.0.1\n");
  EXPECT_NE(r.error.find("two routers with address 10.0.0.1"), std::string::npos);
  EXPECT_TRUE(r.routers.empty());
}

TEST(RouterFile, DemoNetworkHasTheRoutersTheDemoNeeds) {
  auto r = LoadRouterFile(TARNEX_SIM_NETWORKS_DIR "/demo.routers");
  ASSERT_EQ(r.error, "");
  bool open = false, guarded = false, held = false, loader = false;
  for (const RouterConfig& c : r.routers) {
    open |= c.address != 0 && c.password.empty() && c.owner == 0;
    guarded |= c.password == "secret";
    held |= c.owner != 0;
    loader |= c.address == 0;
    if (!c.filters.empty()) {
      const Filter& last = c.filters.back();
      EXPECT_EQ(last.sendNetmask | last.sendMatch | last.receiveNetmask | last.receiveMatch, 0u);
      EXPECT_EQ(last.protocol | last.port, 0);
    }
  }
  EXPECT_TRUE(open && guarded && held && loader);
}
