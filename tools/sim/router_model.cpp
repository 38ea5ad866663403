// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/router_model.h"

#include <cstdio>

namespace tarnex_sim {

std::string FormatIp(uint32_t a) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
  return buf;
}

std::optional<uint32_t> ParseIp(const std::string& text) {
  uint32_t value = 0;
  int parts = 0;
  size_t i = 0;
  while (parts < 4) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
      return std::nullopt;
    uint32_t octet = 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
      octet = octet * 10 + uint32_t(text[i] - '0');
      ++i;
      ++digits;
    }
    if (octet > 255)
      return std::nullopt;
    value = value << 8 | octet;
    ++parts;
    if (parts < 4) {
      if (i >= text.size() || text[i] != '.')
        return std::nullopt;
      ++i;
    }
  }
  if (i != text.size())
    return std::nullopt;
  return value;
}

std::string FormatHardware(const HardwareAddress& hw) {
  char buf[18];
  std::snprintf(buf, sizeof buf, "%02x-%02x-%02x-%02x-%02x-%02x", hw[0], hw[1], hw[2], hw[3], hw[4],
                hw[5]);
  return buf;
}

std::optional<HardwareAddress> ParseHardware(const std::string& text) {
  HardwareAddress hw{};
  size_t i = 0;
  for (int n = 0; n < 6; ++n) {
    auto hex = [&](char c) -> int {
      if (c >= '0' && c <= '9')
        return c - '0';
      if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
      if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
      return -1;
    };
    if (i + 2 > text.size())
      return std::nullopt;
    int hi = hex(text[i]), lo = hex(text[i + 1]);
    if (hi < 0 || lo < 0)
      return std::nullopt;
    hw[n] = uint8_t(hi << 4 | lo);
    i += 2;
    if (n < 5) {
      if (i >= text.size() || (text[i] != ':' && text[i] != '-'))
        return std::nullopt;
      ++i;
    }
  }
  if (i != text.size())
    return std::nullopt;
  return hw;
}

Identification IdentificationFromText(const std::string& text) {
  Identification id{};
  for (size_t i = 0; i < text.size() && i < id.size(); ++i)
    id[i] = text[i] == '/' ? 0 : uint8_t(text[i]);
  return id;
}

std::string IdentificationToText(const Identification& id) {
  std::string first;
  size_t i = 0;
  while (i < id.size() && id[i] != 0)
    first.push_back(char(id[i++]));
  std::string second;
  size_t j = i + 1;
  while (j < id.size() && id[j] != 0)
    second.push_back(char(id[j++]));
  if (second.empty() && first.empty())
    return {};
  if (second.empty())
    return first;
  return first + "/" + second;
}

bool ApplyLayer2Preset(const std::string& name, LineTarget& t) {
  if (name == "x75") {
    t.layer2Base = 1, t.blockSize = 1500, t.addressA = 3, t.addressB = 1, t.modulo = 8,
    t.windowSize = 7;
  } else if (name == "hdlc") {
    t.layer2Base = 2, t.blockSize = 1500, t.addressA = 0, t.addressB = 0, t.modulo = 0,
    t.windowSize = 0;
  } else if (name == "ppp") {
    t.layer2Base = 255, t.blockSize = 0, t.addressA = 0, t.addressB = 0, t.modulo = 0,
    t.windowSize = 0;
  } else {
    return false;
  }
  return true;
}

bool ApplyLayer3Preset(const std::string& name, LineTarget& t) {
  if (name == "null")
    t.layer3Type = 4;
  else if (name == "t70nl")
    t.layer3Type = 1;
  else if (name == "ppp")
    t.layer3Type = 255;
  else
    return false;
  t.layer3Parameters = {0, 0, 0, 0, 0, 0, 8};
  return true;
}

std::string Layer2Name(const LineTarget& t) {
  for (const char* n : {"x75", "hdlc", "ppp"}) {
    LineTarget p = t;
    ApplyLayer2Preset(n, p);
    if (p == t)
      return n;
  }
  return "custom";
}

std::string Layer3Name(const LineTarget& t) {
  for (const char* n : {"null", "t70nl", "ppp"}) {
    LineTarget p = t;
    ApplyLayer3Preset(n, p);
    if (p == t)
      return n;
  }
  return "custom";
}

Bytes EncodeLineTargetBody(const LineTarget& t) {
  Writer w;
  w.U32be(t.address).Text(t.phone, 20).U8(t.layer2Base).U16be(t.blockSize);
  w.U8(t.addressA).U8(t.addressB).U8(t.modulo).U8(t.windowSize).U8(t.layer3Type);
  for (int i = 0; i < 6; ++i)
    w.U16be(t.layer3Parameters[i]);
  w.U8(uint8_t(t.layer3Parameters[6]));
  w.U16be(t.timeout).U8(t.manualOnly).U8(t.channelBundling).U8(t.compression);
  w.Raw(t.remoteId).Raw(t.localId);
  return w.Take();
}

Bytes EncodeRouteBody(const Route& r) {
  Writer w;
  w.U32be(r.netmask).U32be(r.match).U32be(r.gateway);
  return w.Take();
}

Bytes EncodeFilterBody(const Filter& f) {
  Writer w;
  w.U32be(f.sendNetmask).U32be(f.sendMatch).U32be(f.receiveNetmask).U32be(f.receiveMatch);
  w.U8(f.protocol).U8(f.action).U16be(0).U16be(f.port);
  return w.Take();
}

std::optional<LineTarget> DecodeLineTargetBody(std::span<const uint8_t> body) {
  if (body.size() != kLineTargetBody)
    return std::nullopt;
  Reader r(body);
  LineTarget t;
  t.address = r.U32be();
  t.phone = r.Text(20);
  t.layer2Base = r.U8();
  t.blockSize = r.U16be();
  t.addressA = r.U8();
  t.addressB = r.U8();
  t.modulo = r.U8();
  t.windowSize = r.U8();
  t.layer3Type = r.U8();
  for (int i = 0; i < 6; ++i)
    t.layer3Parameters[i] = r.U16be();
  t.layer3Parameters[6] = r.U8();
  t.timeout = r.U16be();
  t.manualOnly = r.U8();
  t.channelBundling = r.U8();
  t.compression = r.U8();
  Bytes remote = r.Raw(40), local = r.Raw(40);
  std::copy(remote.begin(), remote.end(), t.remoteId.begin());
  std::copy(local.begin(), local.end(), t.localId.begin());
  if (!r.ok())
    return std::nullopt;
  return t;
}

std::optional<Route> DecodeRouteBody(std::span<const uint8_t> body) {
  if (body.size() != kRouteBody)
    return std::nullopt;
  Reader r(body);
  Route route{r.U32be(), r.U32be(), r.U32be()};
  if (!r.ok())
    return std::nullopt;
  return route;
}

std::optional<Filter> DecodeFilterBody(std::span<const uint8_t> body) {
  if (body.size() != kFilterBody)
    return std::nullopt;
  Reader r(body);
  Filter f;
  f.sendNetmask = r.U32be();
  f.sendMatch = r.U32be();
  f.receiveNetmask = r.U32be();
  f.receiveMatch = r.U32be();
  f.protocol = r.U8();
  f.action = r.U8();
  r.Skip(2);
  f.port = r.U16be();
  if (!r.ok())
    return std::nullopt;
  return f;
}

}  // namespace tarnex_sim
