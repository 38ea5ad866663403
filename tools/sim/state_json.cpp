// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/state_json.h"

#include <unistd.h>
#include <cstdio>

namespace tarnex_sim {

namespace {

class Json {
 public:
  std::string text;

  void Open(char c) {
    Separate();
    text += c;
    first_ = true;
  }
  void Close(char c) {
    text += c;
    first_ = false;
  }
  void Key(const std::string& k) {
    Separate();
    String(k);
    text += ':';
    first_ = true;  // the value follows without a comma
  }
  void Str(const std::string& v) {
    Separate();
    String(v);
  }
  void Num(uint64_t v) {
    Separate();
    text += std::to_string(v);
  }
  void Bool(bool v) {
    Separate();
    text += v ? "true" : "false";
  }
  void Null() {
    Separate();
    text += "null";
  }
  void Ip(uint32_t a) { Str(FormatIp(a)); }
  void IpOrNull(uint32_t a) {
    if (a)
      Ip(a);
    else
      Null();
  }

 private:
  void Separate() {
    if (!first_)
      text += ',';
    first_ = false;
  }
  void String(const std::string& s) {
    text += '"';
    for (unsigned char c : s) {
      if (c == '"' || c == '\\') {
        text += '\\';
        text += char(c);
      } else if (c < 0x20 || c >= 0x7F) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        text += buf;
      } else {
        text += char(c);
      }
    }
    text += '"';
  }
  bool first_ = true;
};

const char* ModeName(Mode m) {
  switch (m) {
    case Mode::Running:
      return "running";
    case Mode::Loader:
      return "loader";
    case Mode::Restarting:
      return "restarting";
  }
  return "?";
}

void LineTargetJson(Json& j, const LineTarget& t, size_t position) {
  j.Open('{');
  j.Key("position"), j.Num(position);
  j.Key("address"), j.Ip(t.address);
  j.Key("name"), j.Str(t.label);
  j.Key("phone"), j.Str(t.phone);
  j.Key("layer2"), j.Str(Layer2Name(t));
  j.Key("layer2Base"), j.Num(t.layer2Base);
  j.Key("blockSize"), j.Num(t.blockSize);
  j.Key("addressA"), j.Num(t.addressA);
  j.Key("addressB"), j.Num(t.addressB);
  j.Key("modulo"), j.Num(t.modulo);
  j.Key("windowSize"), j.Num(t.windowSize);
  j.Key("layer3"), j.Str(Layer3Name(t));
  j.Key("layer3Type"), j.Num(t.layer3Type);
  j.Key("layer3Parameters"), j.Open('[');
  for (uint16_t p : t.layer3Parameters)
    j.Num(p);
  j.Close(']');
  j.Key("timeout"), j.Num(t.timeout);
  j.Key("manualOnly"), j.Bool(t.manualOnly);
  j.Key("channelBundling"), j.Bool(t.channelBundling);
  j.Key("compression"), j.Bool(t.compression);
  j.Key("remoteIdentification"), j.Str(IdentificationToText(t.remoteId));
  j.Key("localIdentification"), j.Str(IdentificationToText(t.localId));
  j.Key("counters"), j.Open('[');
  for (uint32_t c : t.counters)
    j.Num(c);
  j.Close(']');
  j.Close('}');
}

}  // namespace

std::string StateJson(const Network& network, uint64_t nowMs) {
  Json j;
  j.Open('{');
  j.Key("timeMs"), j.Num(nowMs);
  j.Key("datagramsReceived"), j.Num(network.receivedCount());
  j.Key("routers"), j.Open('[');
  for (const Router& r : network.routers()) {
    const RouterConfig& c = r.config;
    j.Open('{');
    j.Key("label"), j.Str(c.label);
    j.Key("hardware"), j.Str(FormatHardware(c.hardware));
    j.Key("mode"), j.Str(ModeName(r.mode));
    j.Key("silenced"), j.Bool(r.silenced);
    j.Key("reboots"), j.Num(r.reboots);
    j.Key("address"), j.IpOrNull(c.address);
    j.Key("loaderAddress"), j.IpOrNull(r.loaderAddress);
    j.Key("pendingAddress"), j.IpOrNull(r.pendingAddress);
    j.Key("netmask"), j.Ip(c.netmask);
    j.Key("phone"), j.Str(c.phone);
    j.Key("dChannelProtocol"), j.Str(c.dChannelProtocol ? "DSS1" : "1TR6");
    j.Key("permanentConnection"), j.Num(c.permanentConnection);
    j.Key("firmwareVersion"), j.Str(c.firmwareVersion);
    j.Key("password"), j.Str(c.password);
    j.Key("exclusiveHost"), j.IpOrNull(c.owner);
    j.Key("registeredHost"), j.IpOrNull(r.session);
    j.Key("monitoring"), j.Bool(r.monitoring);
    j.Key("lastDeregistrationCode"), j.Num(r.lastDeregistrationCode);
    j.Key("lineTargets"), j.Open('[');
    for (size_t i = 0, n = 0; i < r.lineTargets.size(); ++i)
      if (r.lineTargets[i])
        LineTargetJson(j, *r.lineTargets[i], n++);
    j.Close(']');
    j.Key("routes"), j.Open('[');
    for (const auto& e : r.routes) {
      if (!e)
        continue;
      j.Open('{');
      j.Key("netmask"), j.Ip(e->netmask);
      j.Key("match"), j.Ip(e->match);
      j.Key("gateway"), j.Ip(e->gateway);
      j.Close('}');
    }
    j.Close(']');
    j.Key("filters"), j.Open('[');
    for (const auto& e : r.filters) {
      if (!e)
        continue;
      j.Open('{');
      j.Key("action"), j.Str(e->action ? "accept" : "reject");
      j.Key("protocol"), j.Num(e->protocol);
      j.Key("port"), j.Num(e->port);
      j.Key("sendNetmask"), j.Ip(e->sendNetmask);
      j.Key("sendMatch"), j.Ip(e->sendMatch);
      j.Key("receiveNetmask"), j.Ip(e->receiveNetmask);
      j.Key("receiveMatch"), j.Ip(e->receiveMatch);
      j.Close('}');
    }
    j.Close(']');
    j.Key("channels"), j.Open('[');
    for (const Channel& ch : r.channels) {
      j.Open('{');
      j.Key("state"), j.Num(ch.state);
      j.Key("cause"), j.Num(ch.cause);
      j.Key("remote"), j.IpOrNull(ch.remote);
      j.Key("phone"), j.Str(ch.phone);
      j.Key("name"), j.Str(ch.name);
      j.Key("lineTarget"), ch.target >= 0 ? j.Num(uint64_t(ch.target)) : j.Null();
      j.Key("duration"), j.Num(ch.duration);
      j.Key("charge"), j.Num(ch.charge);
      j.Key("packetsOut"), j.Num(ch.packetsOut);
      j.Key("packetsIn"), j.Num(ch.packetsIn);
      j.Close('}');
    }
    j.Close(']');
    j.Key("imageBytesReceived"), j.Num(r.image.size());
    j.Key("firmware");
    if (!r.firmware.any) {
      j.Null();
    } else {
      j.Open('{');
      j.Key("applied"), j.Bool(r.firmware.applied);
      j.Key("error"), j.Str(r.firmware.error);
      j.Key("version"), j.Str(r.firmware.version);
      j.Key("imageSize"), j.Num(r.firmware.imageSize);
      j.Key("atMs"), j.Num(r.firmware.atMs);
      j.Close('}');
    }
    j.Close('}');
  }
  j.Close(']');
  j.Close('}');
  return j.text + "\n";
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp." + std::to_string(getpid());
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f)
    return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace tarnex_sim
