// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/network.h"

#include <algorithm>
#include <cstring>

#include "sim/loaded_image.h"
#include "sim/wire_codes.h"

namespace tarnex_sim {

namespace {

constexpr size_t kMaxImage = 16 * 1024 * 1024;

std::array<uint8_t, 10> Padded(const std::string& password) {
  std::array<uint8_t, 10> p{};
  for (size_t i = 0; i < p.size() && i < password.size(); ++i)
    p[i] = uint8_t(password[i]);
  return p;
}

std::string Unpadded(const uint8_t* bytes) {
  std::string s;
  for (int i = 0; i < 10 && bytes[i] != 0; ++i)
    s.push_back(char(bytes[i]));
  return s;
}

template <typename T>
std::vector<std::optional<T>> Slots(const std::vector<T>& list) {
  return {list.begin(), list.end()};
}

void ResetChannel(Channel& c) {
  c = Channel{};
}

// Registered commands that only read: a table entry, or the accounting
// counters without resetting them.
bool IsRead(uint16_t command, std::span<const uint8_t> payload) {
  return command == command::kReadTableEntry ||
         (command == command::kReadAccounting && (payload.empty() || payload[0] != 0xFF));
}

}  // namespace

void ScramblePassword(uint8_t out[10], const uint8_t in[10], uint16_t seed) {
  uint8_t k = uint8_t(seed % 257);
  for (int i = 0; i < 10; ++i) {
    k = uint8_t(((k + 13) * 167) >> 6);
    out[i] = in[i] ^ k;
  }
}

Network::Network(std::vector<RouterConfig> routers, Faults faults, uint32_t seed, Timing timing)
    : faults_(faults), timing_(timing), random_(seed) {
  for (RouterConfig& c : routers) {
    Router r;
    r.lineTargets = Slots(c.lineTargets);
    r.routes = Slots(c.routes);
    r.filters = Slots(c.filters);
    c.lineTargets.clear();
    c.routes.clear();
    c.filters.clear();
    r.config = std::move(c);
    if (r.config.address == 0)
      r.mode = Mode::Loader;
    routers_.push_back(std::move(r));
  }
}

bool Network::AddressedTo(const Router& r, uint32_t destination) const {
  if (r.mode == Mode::Restarting || r.silenced)
    return false;
  if (destination == 0xFFFFFFFF)
    return true;
  uint32_t own = r.CurrentAddress();
  if (own != 0 && destination == own)
    return true;
  uint32_t mask = r.config.netmask ? r.config.netmask : 0xFFFFFF00;
  if ((destination | mask) != 0xFFFFFFFF)
    return false;  // not a directed broadcast
  if (r.mode == Mode::Running)
    return (destination & mask) == (own & mask);
  return true;  // a loader has no network of its own yet: every broadcast reaches it
}

void Network::Receive(uint64_t now, uint32_t sender, uint32_t destination,
                      std::span<const uint8_t> bytes) {
  ++received_;
  int copies = 1;
  if (faults_.dropProbability > 0 &&
      std::uniform_real_distribution<double>(0, 1)(random_) < faults_.dropProbability)
    return;
  if (faults_.duplicateProbability > 0 &&
      std::uniform_real_distribution<double>(0, 1)(random_) < faults_.duplicateProbability)
    copies = 2;
  for (int c = 0; c < copies; ++c)
    for (size_t i = 0; i < routers_.size(); ++i)
      if (AddressedTo(routers_[i], destination)) {
        if (observer_)
          observer_(i, sender, bytes);
        Handle(routers_[i], now, sender, bytes);
      }
}

void Network::Handle(Router& r, uint64_t now, uint32_t sender, std::span<const uint8_t> bytes) {
  if (bytes.size() < 4)
    return;
  Reader head(bytes);
  uint16_t command = head.U16be();
  uint16_t seq = head.U16be();
  std::span<const uint8_t> payload = bytes.subspan(4);

  if ((command >> 8) == 0xFF) {
    Reader ack(payload);
    uint16_t acked = ack.U16be();
    if (command == kAcknowledgeCommand && ack.ok() && r.pending.active && r.pending.to == sender &&
        acked == r.pending.sequence)
      r.pending.active = false;
    return;
  }
  if (seq != 0) {
    SendAck(r, now, sender, seq);
    Bytes copy(bytes.begin(), bytes.end());
    auto last = r.lastRequest.find(sender);
    if (last != r.lastRequest.end() && last->second == copy) {
      // A repetition: the host may have lost our answer as well, so it gets
      // that answer again (with its original number) instead of silence.
      auto answer = r.lastAnswer.find(sender);
      if (answer != r.lastAnswer.end())
        Emit(r, now, Datagram{r.CurrentAddress(), sender, answer->second});
      return;
    }
    r.lastAnswer.erase(sender);
    r.lastRequest[sender] = std::move(copy);
    // A new request from the host means it has our previous answer.
    if (r.pending.active && r.pending.to == sender)
      r.pending.active = false;
  }
  if (r.mode == Mode::Running)
    HandleRunning(r, now, sender, command, seq, payload);
  else if (r.mode == Mode::Loader)
    HandleLoader(r, now, sender, command, payload);
}

void Network::HandleRunning(Router& r, uint64_t now, uint32_t sender, uint16_t command,
                            uint16_t seq, std::span<const uint8_t> payload) {
  (void)seq;
  uint32_t holder = r.session ? r.session : r.config.owner;
  switch (command) {
    case command::kScanQuery: {
      Writer w;
      w.U16be(0).Raw(r.config.hardware).U32be(r.config.address).U32be(holder);
      SendUnnumbered(r, now, sender, command::kScanAnswer, w.Take());
      return;
    }
    case command::kOverviewQuery: {
      Writer w;
      w.U16be(0);
      for (const Channel& c : r.channels)
        w.U8(c.state).U32be(c.remote).Text(c.name, 20);
      w.U8(r.config.dChannelProtocol).U8(r.config.permanentConnection);
      w.Text(r.config.firmwareVersion, 10);
      SendUnnumbered(r, now, sender, command::kOverviewAnswer, w.Take());
      return;
    }
    case command::kRegister:
      Register(r, now, sender, holder);
      return;
    case command::kPassword:
      AnswerChallenge(r, now, sender, holder, payload);
      return;
    case command::kAssignLoaderAddress: {
      Reader in(payload);
      Bytes hw = in.Raw(6);
      if (in.ok() && std::equal(hw.begin(), hw.end(), r.config.hardware.begin())) {
        EnterLoader(r);
        HandleLoader(r, now, sender, command, payload);
      }
      return;
    }
    default:
      break;
  }

  // Everything below is for the registered host only.
  if (r.session == 0 || sender != r.session)
    return;
  const bool compacted = command != command::kWriteTableEntry && CompactTables(r);
  // A read changes nothing the state shows; counting it as a change would
  // rewrite the state file once per table entry and slow every read down
  // to the speed of the disk.
  if (compacted || !IsRead(command, payload))
    ++version_;
  switch (command) {
    case command::kDeregister: {
      Reader in(payload);
      uint16_t code = in.U16be();
      r.lastDeregistrationCode = in.ok() ? code : 0;
      EndSession(r);
      return;
    }
    case command::kChangePassword:
      ChangePassword(r, now, sender, payload);
      return;
    case command::kReadTableEntry:
      ReadTable(r, now, sender, payload);
      return;
    case command::kWriteTableEntry:
      WriteTable(r, now, sender, payload);
      return;
    case command::kWriteParameters:
      WriteParameters(r, now, sender, payload);
      return;
    case command::kStartLineMonitor:
      r.monitoring = true;
      SendUnnumbered(r, now, sender, command::kLineStatusReport, LineStatusReport(r));
      r.nextReportMs = now + timing_.reportMs;
      return;
    case command::kStopLineMonitor:
      r.monitoring = false;
      return;
    case command::kConnect:
      Connect(r, now, payload);
      return;
    case command::kDisconnect: {
      Reader in(payload);
      uint8_t channel = in.U8();
      if (in.ok() && channel < 2)
        ResetChannel(r.channels[channel]);
      return;
    }
    case command::kReadAccounting:
      ReadAccounting(r, now, sender, payload);
      return;
    case command::kEnterLoader:
      EnterLoader(r);
      return;
    default:
      return;
  }
}

// A registration: refused when a fault says so or another host holds the
// router, challenged when the router has a password, else accepted.
void Network::Register(Router& r, uint64_t now, uint32_t sender, uint32_t holder) {
  ++version_;
  if (faults_.refuseCode) {
    Refuse(r, now, sender, faults_.refuseCode, holder);
  } else if (holder != 0 && holder != sender) {
    Refuse(r, now, sender, kRefuseHeld, holder);
  } else if (!r.config.password.empty()) {
    uint16_t seed = uint16_t(random_() & 0x7FFF);
    r.challenges[sender] = seed;
    SendNumbered(r, now, sender, command::kPasswordRequest, Writer().U16be(seed).Take());
    r.challengeSequence[sender] = r.sequence;
  } else {
    Accept(r, now, sender);
  }
}

// The answer to a password challenge.
void Network::AnswerChallenge(Router& r, uint64_t now, uint32_t sender, uint32_t holder,
                              std::span<const uint8_t> payload) {
  auto challenge = r.challenges.find(sender);
  if (challenge == r.challenges.end())
    return;
  uint16_t seed = challenge->second;
  uint16_t expected = r.challengeSequence[sender];
  r.challenges.erase(challenge);
  r.challengeSequence.erase(sender);
  ++version_;
  Reader in(payload);
  uint16_t answered = in.U16be();
  Bytes scrambled = in.Raw(10);
  if (!in.ok())
    return Refuse(r, now, sender, kRefuseWrongPassword, 0);
  if (answered != expected)
    return Refuse(r, now, sender, kRefuseUnknownChallenge, 0);
  if (holder != 0 && holder != sender)
    return Refuse(r, now, sender, kRefuseHeld, holder);
  uint8_t plain[10];
  ScramblePassword(plain, scrambled.data(), seed);
  auto want = Padded(r.config.password);
  if (std::memcmp(plain, want.data(), 10) != 0)
    return Refuse(r, now, sender, kRefuseWrongPassword, 0);
  Accept(r, now, sender);
}

void Network::ChangePassword(Router& r, uint64_t now, uint32_t sender,
                             std::span<const uint8_t> payload) {
  Reader in(payload);
  uint16_t seed = in.U16be();
  uint8_t exclusive = in.U8();
  Bytes newScrambled = in.Raw(10), currentScrambled = in.Raw(10);
  uint16_t status = WriteRefusal(in);
  if (status == 0) {
    uint8_t current[10], fresh[10];
    ScramblePassword(current, currentScrambled.data(), seed);
    ScramblePassword(fresh, newScrambled.data(), seed);
    if (std::memcmp(current, Padded(r.config.password).data(), 10) != 0) {
      status = kStatusWrongPassword;
    } else {
      r.config.password = Unpadded(fresh);
      r.config.owner = exclusive == 0xFF ? sender : 0;
    }
  }
  SendNumbered(r, now, sender, command::kPasswordChanged, Writer().U16be(0).U16be(status).Take());
}

void Network::WriteParameters(Router& r, uint64_t now, uint32_t sender,
                              std::span<const uint8_t> payload) {
  Reader in(payload);
  uint32_t name = in.U32be(), netmask = in.U32be();
  std::string phone = in.Text(20);
  uint8_t permanent = in.U8();
  uint16_t status = WriteRefusal(in);
  if (status == 0) {
    r.pendingAddress = name != r.config.address ? name : 0;
    r.config.netmask = netmask;
    r.config.phone = phone;
    r.config.permanentConnection = permanent;
  }
  SendNumbered(r, now, sender, command::kParametersWritten, Writer().U16be(0).U16be(status).Take());
}

// Connects the first free channel to the line target the host names.
void Network::Connect(Router& r, uint64_t now, std::span<const uint8_t> payload) {
  Reader in(payload);
  in.U8();
  uint16_t position = in.U16be();
  if (!in.ok() || position >= r.lineTargets.size() || !r.lineTargets[position])
    return;
  LineTarget& t = *r.lineTargets[position];
  bool wasConnected = r.channels[0].state == 3 || r.channels[1].state == 3;
  for (Channel& c : r.channels) {
    if (c.state != 0)
      continue;
    ResetChannel(c);
    c.state = 3;
    c.cause = 0;
    c.remote = t.address;
    c.phone = t.phone;
    c.name = t.label.empty() ? FormatIp(t.address) : t.label;
    c.target = position;
    c.charge = 1;
    t.counters[0] += 1;  // charge units
    t.counters[1] += 1;  // calls outgoing
    if (!wasConnected)
      r.nextChannelTickMs = now + timing_.tickMs;
    return;
  }
}

void Network::HandleLoader(Router& r, uint64_t now, uint32_t sender, uint16_t command,
                           std::span<const uint8_t> payload) {
  switch (command) {
    case command::kScanQuery: {
      Writer w;
      w.U16be(0).Raw(r.config.hardware).U32be(0).U32be(0);
      SendUnnumbered(r, now, sender, command::kScanAnswer, w.Take());
      return;
    }
    case command::kAssignLoaderAddress: {
      Reader in(payload);
      Bytes hw = in.Raw(6);
      uint32_t address = in.U32be();
      if (!in.ok() || address == 0 || !std::equal(hw.begin(), hw.end(), r.config.hardware.begin()))
        return;
      // The host repeats its announcement until the offer reaches it. A
      // repeat of the address already taken neither restarts the download
      // nor makes a second offer while the first is still being repeated or
      // blocks are arriving.
      if (address == r.loaderAddress && sender == r.offerHost &&
          (r.pending.active || !r.image.empty()))
        return;
      ++version_;
      r.loaderAddress = address;
      r.offerHost = sender;
      r.image.clear();
      r.lastRequest.clear();
      r.lastAnswer.clear();
      SendNumbered(r, now, sender, command::kDownloadOffer, Writer().U32be(address).Take());
      return;
    }
    case command::kDownloadBlock: {
      if (r.loaderAddress == 0)
        return;
      Reader in(payload);
      uint32_t offset = in.U32be();
      if (!in.ok())
        return;
      size_t length = in.remaining();
      if (size_t(offset) + length > kMaxImage)
        return;
      // Room for the largest image at once: grown block by block, the
      // buffer was copied at every doubling into freshly faulted pages,
      // which cost more per block than the link. Pages of the reservation
      // that no block touches are never mapped in.
      if (r.image.capacity() < kMaxImage)
        r.image.reserve(kMaxImage);
      if (r.image.size() < offset + length)
        r.image.resize(offset + length);
      // Not a change of its own: the state file shows the bytes received
      // with the next change (the restart at the latest) instead of being
      // rewritten for every one of a download's thousands of blocks.
      std::copy(payload.begin() + 4, payload.end(), r.image.begin() + offset);
      return;
    }
    case command::kRestart:
      if (r.loaderAddress != 0)
        Restart(r, now);
      return;
    default:
      return;
  }
}

void Network::Accept(Router& r, uint64_t now, uint32_t host) {
  r.session = host;
  r.lastDeregistrationCode = 0;
  CompactTables(r);
  Writer w;
  w.U16be(0).U16be(uint16_t(r.lineTargets.size())).U16be(uint16_t(r.routes.size()));
  w.U16be(uint16_t(r.filters.size())).U32be(r.config.netmask).Text(r.config.phone, 20);
  w.U8(r.config.dChannelProtocol).U8(r.config.permanentConnection);
  w.Text(r.config.firmwareVersion, 10);
  SendNumbered(r, now, host, command::kRegistrationAccepted, w.Take());
}

void Network::Refuse(Router& r, uint64_t now, uint32_t host, uint16_t code, uint32_t holder) {
  SendNumbered(r, now, host, command::kRegistrationRefused,
               Writer().U16be(0).U16be(code).U32be(holder).Take());
}

void Network::EndSession(Router& r) {
  r.session = 0;
  r.monitoring = false;
  r.challenges.clear();
  r.challengeSequence.clear();
  r.lastRequest.clear();
  r.lastAnswer.clear();
  r.pending.active = false;
  CompactTables(r);
  ++version_;
}

void Network::EnterLoader(Router& r) {
  EndSession(r);
  ResetNumbering(r);
  r.mode = Mode::Loader;
  r.loaderAddress = 0;
  r.image.clear();
  for (Channel& c : r.channels)
    ResetChannel(c);
}

void Network::Restart(Router& r, uint64_t now) {
  ImageResult parsed = ParseImage(r.image);
  FirmwareReport report;
  report.any = true;
  report.imageSize = r.image.size();
  report.atMs = now;
  if (parsed.configuration) {
    const ImageConfiguration& c = *parsed.configuration;
    report.applied = true;
    report.version = c.firmwareVersion.empty() ? c.imageVersion : c.firmwareVersion;
    r.config.netmask = c.netmask;
    r.config.phone = c.phone;
    r.config.permanentConnection = c.permanentConnection;
    r.config.owner = c.exclusiveHost;
    r.config.password = c.password;
    r.config.dChannelProtocol = c.dChannelProtocol;
    r.config.firmwareVersion = report.version;
    r.lineTargets = Slots(c.lineTargets);
    r.routes = Slots(c.routes);
    r.filters = Slots(c.filters);
  } else {
    report.error = parsed.error;
  }
  // The loader keeps the address it was given; the configuration does not move it.
  r.config.address = r.loaderAddress;
  r.pendingAddress = 0;
  r.firmware = report;
  r.image.clear();
  r.image.shrink_to_fit();
  EndSession(r);
  ResetNumbering(r);
  r.mode = Mode::Restarting;
  r.restartDoneMs = now + timing_.restartMs;
}

void Network::ResetNumbering(Router& r) {
  if (!faults_.continuousNumbering)
    r.sequence = 0;
  r.lastRequest.clear();
  r.lastAnswer.clear();
}

std::optional<size_t> Network::FindRouter(const HardwareAddress& hardware) const {
  for (size_t i = 0; i < routers_.size(); ++i)
    if (routers_[i].config.hardware == hardware)
      return i;
  return std::nullopt;
}

bool Network::Reboot(size_t index, uint64_t now) {
  if (index >= routers_.size())
    return false;
  Router& r = routers_[index];
  EndSession(r);
  ResetNumbering(r);
  for (Channel& c : r.channels)
    ResetChannel(c);
  // A download in progress is lost with the loader's memory; the stored
  // configuration (and address) is what the router comes back with.
  r.image.clear();
  r.image.shrink_to_fit();
  r.loaderAddress = 0;
  r.offerHost = 0;
  r.mode = Mode::Restarting;
  r.restartDoneMs = now + timing_.restartMs;
  ++r.reboots;
  return true;
}

bool Network::Reboot(const HardwareAddress& hardware, uint64_t now) {
  std::optional<size_t> index = FindRouter(hardware);
  return index && Reboot(*index, now);
}

bool Network::Silence(size_t index, bool silenced) {
  if (index >= routers_.size())
    return false;
  if (routers_[index].silenced != silenced)
    ++version_;
  routers_[index].silenced = silenced;
  return true;
}

bool Network::Silence(const HardwareAddress& hardware, bool silenced) {
  std::optional<size_t> index = FindRouter(hardware);
  return index && Silence(*index, silenced);
}

Bytes Network::LineStatusReport(const Router& r) const {
  Writer w;
  for (const Channel& c : r.channels) {
    w.U8(c.state).U16be(c.cause).U32be(c.remote).Text(c.phone, 20);
    w.U32be(c.duration).U32be(c.charge).U32be(c.packetsOut).U32be(c.packetsIn);
  }
  return w.Take();
}

void Network::TickChannels(Router& r) {
  for (Channel& c : r.channels) {
    if (c.state != 3)
      continue;
    ++c.duration;
    c.packetsOut += 3;
    c.packetsIn += 2;
    bool charge = c.duration % 10 == 0;
    if (charge)
      ++c.charge;
    if (c.target >= 0 && size_t(c.target) < r.lineTargets.size() && r.lineTargets[c.target]) {
      auto& counters = r.lineTargets[c.target]->counters;
      if (charge)
        ++counters[0];
      counters[3] += 3;
      counters[4] += 2;
      counters[5] += 3 * 512;
      counters[6] += 2 * 512;
    }
  }
  ++version_;
}

void Network::Advance(uint64_t now) {
  for (Router& r : routers_) {
    if (r.pending.active && now >= r.pending.dueMs) {
      if (r.pending.sent > timing_.retransmissions) {
        r.pending.active = false;
      } else {
        Emit(r, now, Datagram{r.CurrentAddress(), r.pending.to, r.pending.bytes});
        ++r.pending.sent;
        r.pending.dueMs = now + timing_.retransmitMs;
      }
    }
    if (r.mode == Mode::Running && r.monitoring && r.session && now >= r.nextReportMs) {
      SendUnnumbered(r, now, r.session, command::kLineStatusReport, LineStatusReport(r));
      r.nextReportMs = now + timing_.reportMs;
    }
    if (r.mode == Mode::Restarting && now >= r.restartDoneMs) {
      r.mode = r.config.address != 0 ? Mode::Running : Mode::Loader;
      r.loaderAddress = 0;
      ++version_;
      // A restarted router announces itself to the host that loaded it with
      // the answer a scan would get.
      if (r.offerHost != 0) {
        Writer w;
        w.U16be(0).Raw(r.config.hardware).U32be(r.config.address).U32be(r.config.owner);
        SendUnnumbered(r, now, r.offerHost, command::kScanAnswer, w.Take());
      }
    }
    bool connected = r.channels[0].state == 3 || r.channels[1].state == 3;
    while (r.mode == Mode::Running && connected && now >= r.nextChannelTickMs) {
      TickChannels(r);
      r.nextChannelTickMs += timing_.tickMs;
    }
  }
}

uint64_t Network::NextEventMs() const {
  uint64_t next = UINT64_MAX;
  for (const Queued& q : outgoing_)
    next = std::min(next, q.dueMs);
  for (const Router& r : routers_) {
    if (r.pending.active)
      next = std::min(next, r.pending.dueMs);
    if (r.mode == Mode::Running && r.monitoring && r.session)
      next = std::min(next, r.nextReportMs);
    if (r.mode == Mode::Restarting)
      next = std::min(next, r.restartDoneMs);
    if (r.mode == Mode::Running && (r.channels[0].state == 3 || r.channels[1].state == 3))
      next = std::min(next, r.nextChannelTickMs);
  }
  return next;
}

std::vector<Datagram> Network::TakeOutgoing(uint64_t now) {
  std::vector<Queued> due;
  auto split = std::stable_partition(outgoing_.begin(), outgoing_.end(),
                                     [now](const Queued& q) { return q.dueMs > now; });
  due.assign(std::make_move_iterator(split), std::make_move_iterator(outgoing_.end()));
  outgoing_.erase(split, outgoing_.end());
  std::sort(due.begin(), due.end(), [](const Queued& a, const Queued& b) {
    return a.dueMs != b.dueMs ? a.dueMs < b.dueMs : a.order < b.order;
  });
  std::vector<Datagram> out;
  for (Queued& q : due)
    out.push_back(std::move(q.datagram));
  return out;
}

void Network::Emit(const Router& r, uint64_t now, Datagram d) {
  if (r.silenced)
    return;
  if (faults_.dropProbability > 0 &&
      std::uniform_real_distribution<double>(0, 1)(random_) < faults_.dropProbability)
    return;
  bool twice = faults_.duplicateProbability > 0 &&
               std::uniform_real_distribution<double>(0, 1)(random_) < faults_.duplicateProbability;
  uint64_t due = now + faults_.delayMs;
  if (twice)
    outgoing_.push_back(Queued{due, order_++, d});
  outgoing_.push_back(Queued{due, order_++, std::move(d)});
}

void Network::SendUnnumbered(Router& r, uint64_t now, uint32_t to, uint16_t command,
                             const Bytes& payload) {
  Writer w;
  w.U16be(command).U16be(0).Raw(payload);
  Emit(r, now, Datagram{r.CurrentAddress(), to, w.Take()});
}

void Network::SendNumbered(Router& r, uint64_t now, uint32_t to, uint16_t command,
                           const Bytes& payload) {
  if (++r.sequence == 0)
    r.sequence = 1;
  Writer w;
  w.U16be(command).U16be(r.sequence).Raw(payload);
  r.pending.active = true;
  r.pending.to = to;
  r.pending.sequence = r.sequence;
  r.pending.bytes = w.Take();
  r.lastAnswer[to] = r.pending.bytes;
  r.pending.sent = 1;
  r.pending.dueMs = now + timing_.retransmitMs;
  Emit(r, now, Datagram{r.CurrentAddress(), to, r.pending.bytes});
}

void Network::SendAck(Router& r, uint64_t now, uint32_t to, uint16_t seq) {
  Writer w;
  w.U16be(kAcknowledgeCommand).U16be(0).U16be(seq);
  Emit(r, now, Datagram{r.CurrentAddress(), to, w.Take()});
}

}  // namespace tarnex_sim
