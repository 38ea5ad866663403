// SPDX-License-Identifier: GPL-3.0-or-later
// Host, service and protocol look-ups, and the local interfaces.
//
// Everything that would ask the resolver or the system databases goes
// through NetDatabase, so that tests use FakeNetDatabase and never make a
// real DNS query.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarcfg {

struct ServiceEntry {
  std::string name;
  int port = 0;
  std::string protocol;  // "tcp", "udp", ...
};

struct InterfaceAddress {
  std::string name;
  std::uint32_t address = 0;  // host byte order
  std::uint32_t netmask = 0;
  bool up = false;
  bool loopback = false;
};

class NetDatabase {
 public:
  virtual ~NetDatabase() = default;

  // Reverse look-up (gethostbyaddr): the official name, if any.
  virtual std::optional<std::string> HostNameOf(std::uint32_t address) = 0;
  // Forward look-up (gethostbyname): the first IPv4 address, if any.
  virtual std::optional<std::uint32_t> AddressOfHost(std::string_view name) = 0;
  // This machine's host name (gethostname); empty when unknown.
  virtual std::string LocalHostName() = 0;
  // The IPv4 addresses of the local interfaces, in system order.
  virtual std::vector<InterfaceAddress> Interfaces() = 0;

  // Service by name; an empty protocol means any protocol.
  virtual std::optional<ServiceEntry> ServiceByName(std::string_view name,
                                                    std::string_view protocol) = 0;
  virtual std::optional<ServiceEntry> ServiceByPort(int port, std::string_view protocol) = 0;
  virtual std::optional<int> ProtocolNumber(std::string_view name) = 0;
  virtual std::optional<std::string> ProtocolName(int number) = 0;
};

// The system's resolver and databases (/etc/services, /etc/protocols, NSS).
// Service and protocol answers are kept for the life of the object: each
// look-up reads the whole file again, and writing or reading a .cfg file
// asks up to three of them per filter.
class SystemNetDatabase : public NetDatabase {
 public:
  std::optional<std::string> HostNameOf(std::uint32_t address) override;
  std::optional<std::uint32_t> AddressOfHost(std::string_view name) override;
  std::string LocalHostName() override;
  std::vector<InterfaceAddress> Interfaces() override;
  std::optional<ServiceEntry> ServiceByName(std::string_view name,
                                            std::string_view protocol) override;
  std::optional<ServiceEntry> ServiceByPort(int port, std::string_view protocol) override;
  std::optional<int> ProtocolNumber(std::string_view name) override;
  std::optional<std::string> ProtocolName(int number) override;

 private:
  std::map<std::pair<std::string, std::string>, std::optional<ServiceEntry>> servicesByName_;
  std::map<std::pair<int, std::string>, std::optional<ServiceEntry>> servicesByPort_;
  std::map<std::string, std::optional<int>, std::less<>> protocolNumbers_;
  std::map<int, std::optional<std::string>> protocolNames_;
};

// An in-memory database for tests. Starts with the protocols ip/icmp/tcp/udp
// and a few services (ftp 21/tcp, telnet 23/tcp, smtp 25/tcp, domain 53/tcp
// and 53/udp, tftp 69/udp, http 80/tcp, ntp 123/udp); hosts are added by hand.
// Counts the host look-ups so tests can see that none was made.
class FakeNetDatabase : public NetDatabase {
 public:
  FakeNetDatabase();

  void AddHost(std::string name, std::uint32_t address);  // both directions
  void AddService(std::string name, int port, std::string protocol);
  void ClearServices();
  void SetLocalHostName(std::string name) { localName_ = std::move(name); }
  void SetInterfaces(std::vector<InterfaceAddress> interfaces) {
    interfaces_ = std::move(interfaces);
  }

  int hostLookups = 0;     // forward look-ups made
  int reverseLookups = 0;  // reverse look-ups made

  std::optional<std::string> HostNameOf(std::uint32_t address) override;
  std::optional<std::uint32_t> AddressOfHost(std::string_view name) override;
  std::string LocalHostName() override { return localName_; }
  std::vector<InterfaceAddress> Interfaces() override { return interfaces_; }
  std::optional<ServiceEntry> ServiceByName(std::string_view name,
                                            std::string_view protocol) override;
  std::optional<ServiceEntry> ServiceByPort(int port, std::string_view protocol) override;
  std::optional<int> ProtocolNumber(std::string_view name) override;
  std::optional<std::string> ProtocolName(int number) override;

 private:
  std::map<std::string, std::uint32_t, std::less<>> hosts_;
  std::map<std::uint32_t, std::string> names_;
  std::vector<ServiceEntry> services_;
  std::vector<std::pair<std::string, int>> protocols_;
  std::string localName_;
  std::vector<InterfaceAddress> interfaces_;
};

}  // namespace tarcfg
