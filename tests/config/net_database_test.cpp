// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/net_database.h"

#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>

#include <string>
#include <utility>
#include <vector>

namespace tarcfg {
namespace {

// SystemNetDatabase keeps the answers of the services and protocols files;
// asked twice, in any order, each question must still get the system's own
// answer to exactly that question (name and protocol, port and protocol).
TEST(SystemNetDatabaseTest, KeptAnswersAreTheSystemsForEachQuestion) {
  SystemNetDatabase database;
  const std::vector<std::pair<std::string, std::string>> names = {
      {"telnet", "tcp"}, {"telnet", "udp"}, {"domain", "tcp"},
      {"domain", "udp"}, {"domain", ""},    {"no-such-service", ""}};
  const std::vector<std::pair<int, std::string>> ports = {
      {53, "udp"}, {53, "tcp"}, {69, ""}, {69, "tcp"}, {65001, ""}};
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [name, protocol] : names) {
      servent* system = getservbyname(name.c_str(), protocol.empty() ? nullptr : protocol.c_str());
      const auto kept = database.ServiceByName(name, protocol);
      ASSERT_EQ(kept.has_value(), system != nullptr) << name << "/" << protocol;
      if (system) {
        EXPECT_EQ(kept->name, system->s_name);
        EXPECT_EQ(kept->port, ntohs(static_cast<std::uint16_t>(system->s_port)));
        EXPECT_EQ(kept->protocol, system->s_proto) << name << "/" << protocol;
      }
    }
    for (const auto& [port, protocol] : ports) {
      servent* system = getservbyport(htons(static_cast<std::uint16_t>(port)),
                                      protocol.empty() ? nullptr : protocol.c_str());
      const auto kept = database.ServiceByPort(port, protocol);
      ASSERT_EQ(kept.has_value(), system != nullptr) << port << "/" << protocol;
      if (system) {
        EXPECT_EQ(kept->name, system->s_name);
        EXPECT_EQ(kept->protocol, system->s_proto) << port << "/" << protocol;
      }
    }
    for (const char* name : {"tcp", "udp", "no-such-protocol"}) {
      protoent* system = getprotobyname(name);
      const auto kept = database.ProtocolNumber(name);
      ASSERT_EQ(kept.has_value(), system != nullptr) << name;
      if (system) {
        EXPECT_EQ(*kept, system->p_proto);
      }
    }
    for (int number : {6, 17, 253}) {
      protoent* system = getprotobynumber(number);
      const auto kept = database.ProtocolName(number);
      ASSERT_EQ(kept.has_value(), system != nullptr) << number;
      if (system) {
        EXPECT_EQ(*kept, system->p_name);
      }
    }
  }
}

}  // namespace
}  // namespace tarcfg
