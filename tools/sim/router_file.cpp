// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/router_file.h"

#include <fstream>
#include <sstream>

namespace tarnex_sim {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos)
    return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> out;
  for (std::string w; in >> w;)
    out.push_back(w);
  return out;
}

bool Number(const std::string& s, unsigned long max, unsigned long& out) {
  if (s.empty() || s.size() > 10)
    return false;
  unsigned long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + unsigned(c - '0');
  }
  if (v > max)
    return false;
  out = v;
  return true;
}

bool Address(const std::string& s, uint32_t& out) {
  auto a = ParseIp(s);
  if (!a)
    return false;
  out = *a;
  return true;
}

bool Protocol(const std::string& s, uint8_t& out) {
  unsigned long v;
  if (s == "all")
    out = 0;
  else if (s == "tcp")
    out = 6;
  else if (s == "udp")
    out = 17;
  else if (Number(s, 255, v))
    out = uint8_t(v);
  else
    return false;
  return true;
}

// "ADDRESS PHONE key=value ..."
std::string ParseTarget(const std::string& value, LineTarget& t) {
  std::vector<std::string> w = Words(value);
  if (w.size() < 2)
    return "target needs an address and a phone number";
  if (!Address(w[0], t.address))
    return "bad target address '" + w[0] + "'";
  if (w[1].size() > 20)
    return "phone number longer than 20 characters";
  t.phone = w[1] == "-" ? "" : w[1];
  for (size_t i = 2; i < w.size(); ++i) {
    size_t eq = w[i].find('=');
    if (eq == std::string::npos)
      return "expected key=value, got '" + w[i] + "'";
    std::string k = w[i].substr(0, eq), v = w[i].substr(eq + 1);
    unsigned long n;
    if (k == "l2") {
      if (!ApplyLayer2Preset(v, t)) {
        std::vector<unsigned long> p;
        std::istringstream in(v);
        for (std::string part; std::getline(in, part, ',');)
          if (Number(part, 65535, n))
            p.push_back(n);
        if (p.size() != 6)
          return "l2 is x75, hdlc, ppp or base,blocksize,a,b,modulo,window";
        t.layer2Base = uint8_t(p[0]), t.blockSize = uint16_t(p[1]), t.addressA = uint8_t(p[2]);
        t.addressB = uint8_t(p[3]), t.modulo = uint8_t(p[4]), t.windowSize = uint8_t(p[5]);
      }
    } else if (k == "l3") {
      if (!ApplyLayer3Preset(v, t)) {
        std::vector<unsigned long> p;
        std::istringstream in(v);
        for (std::string part; std::getline(in, part, ',');)
          if (Number(part, 65535, n))
            p.push_back(n);
        if (p.size() != 8)
          return "l3 is null, t70nl, ppp or type,p1,...,p7";
        t.layer3Type = uint8_t(p[0]);
        for (int j = 0; j < 7; ++j)
          t.layer3Parameters[j] = uint16_t(p[j + 1]);
      }
    } else if (k == "timeout" && Number(v, 65535, n)) {
      t.timeout = uint16_t(n);
    } else if (k == "manual" && Number(v, 1, n)) {
      t.manualOnly = uint8_t(n);
    } else if (k == "bundling" && Number(v, 1, n)) {
      t.channelBundling = uint8_t(n);
    } else if (k == "compression" && Number(v, 1, n)) {
      t.compression = uint8_t(n);
    } else if (k == "local" && v.size() <= 40) {
      t.localId = IdentificationFromText(v);
    } else if (k == "remote" && v.size() <= 40) {
      t.remoteId = IdentificationFromText(v);
    } else if (k == "name" && v.size() <= 20) {
      t.label = v;
    } else if (k == "counters") {
      std::istringstream in(v);
      size_t j = 0;
      for (std::string part; std::getline(in, part, ',');) {
        if (j >= 7 || !Number(part, 0xFFFFFFFFul, n))
          return "counters are 7 numbers";
        t.counters[j++] = uint32_t(n);
      }
      if (j != 7)
        return "counters are 7 numbers";
    } else {
      return "bad target field '" + w[i] + "'";
    }
  }
  return {};
}

std::string ParseKey(const std::string& key, const std::string& value, RouterConfig& r) {
  unsigned long n;
  if (key == "label" || key == "name") {
    r.label = value;
  } else if (key == "hw" || key == "hardware") {
    auto hw = ParseHardware(value);
    if (!hw)
      return "bad hardware address '" + value + "'";
    r.hardware = *hw;
  } else if (key == "ip" || key == "address") {
    if (value == "none" || value == "loader") {
      r.address = 0;
    } else if (!Address(value, r.address)) {
      return "bad address '" + value + "'";
    }
  } else if (key == "netmask") {
    if (!Address(value, r.netmask))
      return "bad net mask '" + value + "'";
  } else if (key == "phone") {
    if (value.size() > 20)
      return "phone number longer than 20 characters";
    r.phone = value;
  } else if (key == "dchannel") {
    if (value == "dss1")
      r.dChannelProtocol = 1;
    else if (value == "1tr6")
      r.dChannelProtocol = 0;
    else
      return "dchannel is dss1 or 1tr6";
  } else if (key == "permanent") {
    if (!Number(value, 3, n))
      return "permanent is 0 to 3";
    r.permanentConnection = uint8_t(n);
  } else if (key == "firmware") {
    if (value.size() > 10)
      return "firmware version longer than 10 characters";
    r.firmwareVersion = value;
  } else if (key == "password") {
    if (value.size() > 10)
      return "password longer than 10 characters";
    r.password = value;
  } else if (key == "registered") {
    if (value == "none") {
      r.owner = 0;
    } else if (!Address(value, r.owner)) {
      return "bad registered host '" + value + "'";
    }
  } else if (key == "target") {
    if (r.lineTargets.size() >= 30)
      return "more than 30 line targets";
    LineTarget t;
    std::string e = ParseTarget(value, t);
    if (!e.empty())
      return e;
    r.lineTargets.push_back(t);
  } else if (key == "route") {
    std::vector<std::string> w = Words(value);
    Route route;
    if (w.size() != 3 || !Address(w[0], route.netmask) || !Address(w[1], route.match) ||
        !Address(w[2], route.gateway))
      return "route is NETMASK MATCH GATEWAY";
    if (r.routes.size() >= 64)
      return "more than 64 routes";
    r.routes.push_back(route);
  } else if (key == "filter") {
    std::vector<std::string> w = Words(value);
    Filter f;
    unsigned long port = 0;
    if (w.size() != 7 || (w[0] != "accept" && w[0] != "reject") || !Protocol(w[1], f.protocol) ||
        !Number(w[2], 65535, port) || !Address(w[3], f.sendNetmask) ||
        !Address(w[4], f.sendMatch) || !Address(w[5], f.receiveNetmask) ||
        !Address(w[6], f.receiveMatch))
      return "filter is accept|reject PROTOCOL PORT SENDMASK SENDMATCH RECVMASK RECVMATCH";
    f.action = w[0] == "accept" ? 1 : 0;
    f.port = uint16_t(port);
    if (r.filters.size() >= 64)
      return "more than 64 filters";
    r.filters.push_back(f);
  } else {
    return "unknown key '" + key + "'";
  }
  return {};
}

}  // namespace

RouterFileResult ParseRouterFile(const std::string& text) {
  RouterFileResult result;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  RouterConfig* current = nullptr;
  auto fail = [&](const std::string& message) {
    result.routers.clear();
    result.error = "line " + std::to_string(number) + ": " + message;
    return result;
  };
  while (std::getline(in, line)) {
    ++number;
    size_t hash = line.find('#');
    if (hash != std::string::npos)
      line.erase(hash);
    line = Trim(line);
    if (line.empty())
      continue;
    if (line.front() == '[') {
      if (line != "[router]")
        return fail("only [router] sections are known");
      result.routers.emplace_back();
      current = &result.routers.back();
      HardwareAddress hw{0x00, 0x60, 0x1a, 0x00, 0x00, uint8_t(result.routers.size())};
      current->hardware = hw;
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos)
      return fail("expected key = value");
    if (!current)
      return fail("key outside a [router] section");
    std::string error = ParseKey(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), *current);
    if (!error.empty())
      return fail(error);
  }
  for (size_t i = 0; i < result.routers.size(); ++i)
    for (size_t j = 0; j < i; ++j) {
      if (result.routers[i].hardware == result.routers[j].hardware)
        return number = 0, fail("two routers with hardware address " +
                                FormatHardware(result.routers[i].hardware));
      if (result.routers[i].address != 0 && result.routers[i].address == result.routers[j].address)
        return number = 0, fail("two routers with address " + FormatIp(result.routers[i].address));
    }
  return result;
}

RouterFileResult LoadRouterFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return {{}, "cannot open " + path};
  std::ostringstream text;
  text << in.rdbuf();
  RouterFileResult r = ParseRouterFile(text.str());
  if (!r.error.empty())
    r.error = path + ": " + r.error;
  return r;
}

}  // namespace tarnex_sim
