// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/net_database.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tarcfg {

std::optional<std::string> SystemNetDatabase::HostNameOf(std::uint32_t address) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(address);
  char host[NI_MAXHOST] = {};
  if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                  NI_NAMEREQD) != 0)
    return std::nullopt;
  return std::string(host);
}

std::optional<std::uint32_t> SystemNetDatabase::AddressOfHost(std::string_view name) {
  if (name.empty())
    return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* result = nullptr;
  const std::string host(name);
  if (getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || !result)
    return std::nullopt;
  std::uint32_t value = ntohl(reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(result);
  return value;
}

std::string SystemNetDatabase::LocalHostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0)
    return {};
  return name;
}

std::vector<InterfaceAddress> SystemNetDatabase::Interfaces() {
  std::vector<InterfaceAddress> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0)
    return out;
  for (ifaddrs* it = list; it; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET)
      continue;
    InterfaceAddress entry;
    entry.name = it->ifa_name ? it->ifa_name : "";
    entry.address = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr);
    if (it->ifa_netmask)
      entry.netmask = ntohl(reinterpret_cast<sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr);
    entry.up = (it->ifa_flags & IFF_UP) != 0;
    entry.loopback = (it->ifa_flags & IFF_LOOPBACK) != 0;
    out.push_back(entry);
  }
  freeifaddrs(list);
  return out;
}

std::optional<ServiceEntry> SystemNetDatabase::ServiceByName(std::string_view name,
                                                             std::string_view protocol) {
  auto key = std::make_pair(std::string(name), std::string(protocol));
  if (auto known = servicesByName_.find(key); known != servicesByName_.end())
    return known->second;
  std::optional<ServiceEntry> answer;
  if (servent* entry =
          getservbyname(key.first.c_str(), key.second.empty() ? nullptr : key.second.c_str()))
    answer = ServiceEntry{entry->s_name, ntohs(static_cast<std::uint16_t>(entry->s_port)),
                          entry->s_proto};
  servicesByName_.emplace(std::move(key), answer);
  return answer;
}

std::optional<ServiceEntry> SystemNetDatabase::ServiceByPort(int port, std::string_view protocol) {
  auto key = std::make_pair(port, std::string(protocol));
  if (auto known = servicesByPort_.find(key); known != servicesByPort_.end())
    return known->second;
  std::optional<ServiceEntry> answer;
  if (servent* entry = getservbyport(htons(static_cast<std::uint16_t>(port)),
                                     key.second.empty() ? nullptr : key.second.c_str()))
    answer = ServiceEntry{entry->s_name, ntohs(static_cast<std::uint16_t>(entry->s_port)),
                          entry->s_proto};
  servicesByPort_.emplace(std::move(key), answer);
  return answer;
}

std::optional<int> SystemNetDatabase::ProtocolNumber(std::string_view name) {
  if (auto known = protocolNumbers_.find(name); known != protocolNumbers_.end())
    return known->second;
  const std::string n(name);
  std::optional<int> answer;
  if (protoent* entry = getprotobyname(n.c_str()))
    answer = entry->p_proto;
  protocolNumbers_.emplace(n, answer);
  return answer;
}

std::optional<std::string> SystemNetDatabase::ProtocolName(int number) {
  if (auto known = protocolNames_.find(number); known != protocolNames_.end())
    return known->second;
  std::optional<std::string> answer;
  if (protoent* entry = getprotobynumber(number))
    answer = std::string(entry->p_name);
  protocolNames_.emplace(number, answer);
  return answer;
}

FakeNetDatabase::FakeNetDatabase() {
  protocols_ = {{"ip", 0}, {"icmp", 1}, {"tcp", 6}, {"udp", 17}};
  services_ = {{"ftp", 21, "tcp"},    {"telnet", 23, "tcp"}, {"smtp", 25, "tcp"},
               {"domain", 53, "tcp"}, {"domain", 53, "udp"}, {"tftp", 69, "udp"},
               {"http", 80, "tcp"},   {"ntp", 123, "udp"}};
  localName_ = "workstation";
}

void FakeNetDatabase::AddHost(std::string name, std::uint32_t address) {
  names_[address] = name;
  hosts_[std::move(name)] = address;
}

void FakeNetDatabase::AddService(std::string name, int port, std::string protocol) {
  services_.push_back({std::move(name), port, std::move(protocol)});
}

void FakeNetDatabase::ClearServices() {
  services_.clear();
}

std::optional<std::string> FakeNetDatabase::HostNameOf(std::uint32_t address) {
  ++reverseLookups;
  auto it = names_.find(address);
  if (it == names_.end())
    return std::nullopt;
  return it->second;
}

std::optional<std::uint32_t> FakeNetDatabase::AddressOfHost(std::string_view name) {
  ++hostLookups;
  auto it = hosts_.find(name);
  if (it == hosts_.end())
    return std::nullopt;
  return it->second;
}

std::optional<ServiceEntry> FakeNetDatabase::ServiceByName(std::string_view name,
                                                           std::string_view protocol) {
  for (const auto& s : services_)
    if (s.name == name && (protocol.empty() || s.protocol == protocol))
      return s;
  return std::nullopt;
}

std::optional<ServiceEntry> FakeNetDatabase::ServiceByPort(int port, std::string_view protocol) {
  for (const auto& s : services_)
    if (s.port == port && (protocol.empty() || s.protocol == protocol))
      return s;
  return std::nullopt;
}

std::optional<int> FakeNetDatabase::ProtocolNumber(std::string_view name) {
  for (const auto& [n, number] : protocols_)
    if (n == name)
      return number;
  return std::nullopt;
}

std::optional<std::string> FakeNetDatabase::ProtocolName(int number) {
  for (const auto& [n, value] : protocols_)
    if (value == number)
      return n;
  return std::nullopt;
}

}  // namespace tarcfg
