// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/lan_world.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "config/address.h"
#include "sim/router_file.h"

namespace tarcfg::simulation {
namespace {

// A small network as the virtual LAN's demo network has it: a router
// without a password, one with "secret" and one another workstation holds.
const char kRouters[] = R"(
[router]
label = open
hw = 00:60:1a:10:00:01
ip = 198.51.100.10
phone = 0301110
target = 198.51.100.200 0301234567 l2=x75 l3=null timeout=20 name=head-office
target = 198.51.100.201 0891234567 l2=hdlc l3=t70nl timeout=60 manual=1 name=branch
route = 255.255.255.0 198.51.101.0 198.51.100.200
route = 0.0.0.0 0.0.0.0 198.51.100.201
filter = accept tcp 23 255.255.255.0 198.51.100.0 0.0.0.0 0.0.0.0
filter = accept all 0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0
[router]
label = guarded
hw = 00:60:1a:10:00:02
ip = 198.51.100.11
phone = 0301111
dchannel = 1tr6
password = secret
target = 198.51.100.210 0401112222 l2=x75 l3=t70nl
route = 255.255.255.0 203.0.113.0 198.51.100.210
filter = reject all 0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0
[router]
label = held
hw = 00:60:1a:10:00:03
ip = 198.51.100.12
phone = 0301112
registered = 198.51.100.2
target = 198.51.100.220 0221234000 l2=x75 l3=null
)";

const char* const kSharedNames[] = {
    "tick",    "lose",      "lose-to-routers", "lose-to-tool", "block",
    "unblock", "lossy",     "duplicate",       "delay",        "reboot",
    "silence", "unsilence", "other-registers", "other-leaves",
};
static_assert(std::size(kSharedNames) == kSharedEventCount);

// Commands worth losing on purpose: what ends or starts a registration and
// the requests whose answers a front end waits for.
constexpr std::uint16_t kBlockable[] = {0x1001, 0x1003, 0x3001, 0x1012, 0x1017, 0x3017, 0x1011};

std::string Dotted(std::uint32_t address) {
  return DottedQuad(address);
}

std::uint16_t CommandOf(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= 2 ? static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]) : 0;
}

std::string List(const EntryTexts& entries) {
  std::string text = "[";
  for (std::size_t i = 0; i < entries.size(); ++i)
    text += (i ? ", " : "") + entries[i];
  return text + "]";
}

}  // namespace

std::uint32_t RouterAddress(int router) {
  return 0xC633640A + static_cast<std::uint32_t>(router);
}

std::string EntryText(const LineTarget& t) {
  return t.hostName.str() + " " + t.phoneNumber.str();
}
std::string EntryText(const RouteEntry& r) {
  return r.netmask.str() + " " + r.match.str() + " " + r.gateway.str();
}
std::string EntryText(const FilterEntry& f) {
  return f.sendMatch.str() + " " + f.receiveMatch.str() + " " + std::to_string(f.protocol) + "/" +
         std::to_string(f.port) + " " + std::to_string(f.action);
}

TableTexts ToolTables(const Configuration& configuration) {
  TableTexts texts;
  for (const LineTarget& t : configuration.lineTargets)
    texts.lineTargets.push_back(EntryText(t));
  for (const RouteEntry& r : configuration.routes)
    texts.routes.push_back(EntryText(r));
  for (const FilterEntry& f : configuration.filters)
    texts.filters.push_back(EntryText(f));
  return texts;
}

namespace {

// The router's table slots by position, as entry texts; nullopt for an
// empty slot.
using SlotTexts = std::vector<std::optional<std::string>>;

struct RouterSlots {
  SlotTexts lineTargets, routes, filters;
};

RouterSlots Slots(const tarnex_sim::Router& router) {
  RouterSlots slots;
  for (const auto& t : router.lineTargets)
    slots.lineTargets.push_back(t ? std::optional(Dotted(t->address) + " " + t->phone)
                                  : std::nullopt);
  for (const auto& r : router.routes)
    slots.routes.push_back(
        r ? std::optional(Dotted(r->netmask) + " " + Dotted(r->match) + " " + Dotted(r->gateway))
          : std::nullopt);
  for (const auto& f : router.filters)
    slots.filters.push_back(f ? std::optional(Dotted(f->sendMatch) + " " + Dotted(f->receiveMatch) +
                                              " " + std::to_string(f->protocol) + "/" +
                                              std::to_string(f->port) + " " +
                                              std::to_string(f->action))
                              : std::nullopt);
  return slots;
}

void AppendPresent(EntryTexts& texts, const SlotTexts& slots) {
  for (const auto& slot : slots)
    if (slot)
      texts.push_back(*slot);
}

}  // namespace

TableTexts RouterTables(const tarnex_sim::Router& router) {
  const RouterSlots slots = Slots(router);
  TableTexts texts;
  AppendPresent(texts.lineTargets, slots.lineTargets);
  AppendPresent(texts.routes, slots.routes);
  AppendPresent(texts.filters, slots.filters);
  return texts;
}

std::string DescribeDifference(const TableTexts& tool, const TableTexts& router) {
  std::string text;
  auto one = [&](const char* name, const EntryTexts& a, const EntryTexts& b) {
    if (a != b)
      text += std::string(text.empty() ? "" : "; ") + name + ": tool " + List(a) + ", router " +
              List(b);
  };
  one("line targets", tool.lineTargets, router.lineTargets);
  one("routes", tool.routes, router.routes);
  one("filters", tool.filters, router.filters);
  return text;
}

LanWorld::LanWorld() : lan_(testing::RouterFile(kRouters)) {
  lan_.SetLinkFilter(
      [this](bool toRouters, std::uint32_t peer, std::span<const std::uint8_t> bytes) {
        testing::SimulatedLan::LinkVerdict verdict = Judge(toRouters, bytes);
        // What a router the tool no longer uses says to it is what could
        // tell the tool that the router took it after all.
        const int r = static_cast<int>(peer - RouterAddress(0));
        if (!toRouters && verdict.copies > 0 && r >= 0 && r < kRouterCount)
          release_[static_cast<std::size_t>(r)].heard = true;
        return verdict;
      });
  for (std::size_t r = 0; r < kRouterCount; ++r) {
    const TableTexts table = RouterTables(lan_.router(r));
    for (const EntryTexts* list : {&table.lineTargets, &table.routes, &table.filters})
      routerEntries_[r].insert(list->begin(), list->end());
  }
}

LanWorld::~LanWorld() = default;

testing::SimulatedLan::LinkVerdict LanWorld::Judge(bool toRouters,
                                                   std::span<const std::uint8_t> bytes) {
  testing::SimulatedLan::LinkVerdict verdict;
  int& directed = toRouters ? loseToRouters_ : loseToTool_;
  if (lose_ > 0) {
    --lose_;
    verdict.copies = 0;
  } else if (directed > 0) {
    --directed;
    verdict.copies = 0;
  } else if (toRouters && blocked_.count(CommandOf(bytes))) {
    verdict.copies = 0;
  } else if (lossPercent_ > 0 && loss_.Chance(lossPercent_)) {
    verdict.copies = 0;
  } else if (duplicate_ > 0) {
    --duplicate_;
    verdict.copies = 2;
  }
  if (verdict.copies > 0 && delayMs_ > 0) {
    verdict.delayMs = delayMs_;
    // Until it lands, and the tool has heard what it brings about, nobody
    // can say the tool left a router held.
    delayedUntilTick_ = std::max<std::uint64_t>(delayedUntilTick_, tick_ + delayMs_ / 1000 + 1);
    delayMs_ = 0;
  }
  return verdict;
}

Event LanWorld::ChooseShared(Random& random) {
  const std::uint32_t roll = random.Below(100);
  if (roll < 55)
    return {kTick, random.Chance(10) ? 20 + random.Below(20) : 1 + random.Below(6)};
  if (roll < 62)
    return {kLose, 1 + random.Below(3)};
  if (roll < 67)
    return {kLoseToRouters, 1 + random.Below(4)};
  if (roll < 72)
    return {kLoseToTool, 1 + random.Below(4)};
  if (roll < 76)
    return {kBlock, kBlockable[random.Below(std::size(kBlockable))]};
  if (roll < 81)
    return {kUnblock, 0};
  if (roll < 84)
    return {kLossy, random.Chance(50) ? 0 : 10 + random.Below(30)};
  if (roll < 87)
    return {kDuplicate, 1 + random.Below(3)};
  if (roll < 90)
    return {kDelay, random.Chance(70) ? 200 + random.Below(3000) : 10000 + random.Below(8000)};
  if (roll < 92)
    return {kReboot, random.Below(kRouterCount)};
  if (roll < 94)
    return {kSilence, random.Below(kRouterCount)};
  if (roll < 97)
    return {kUnsilence, random.Below(kRouterCount)};
  if (roll < 99)
    return {kOtherRegisters, random.Below(kRouterCount)};
  return {kOtherLeaves, random.Below(kRouterCount)};
}

bool LanWorld::ApplyShared(const Event& event) {
  const std::uint32_t a = event.argument;
  switch (event.kind) {
    case kTick:
      for (std::uint32_t i = 0; i < std::min<std::uint32_t>(a, 120); ++i) {
        TickTool();
        ++tick_;
        // Checks that count ticks look at every one of them.
        if (i + 1 < a && (Reported(CheckReleased()) || Reported(CheckWaits())))
          return true;
      }
      return true;
    case kLose:
      lose_ = static_cast<int>(a);
      return true;
    case kLoseToRouters:
      loseToRouters_ = static_cast<int>(a);
      return true;
    case kLoseToTool:
      loseToTool_ = static_cast<int>(a);
      return true;
    case kBlock:
      blocked_.insert(static_cast<std::uint16_t>(a));
      return true;
    case kUnblock:
      blocked_.clear();
      return true;
    case kLossy:
      lossPercent_ = std::min<std::uint32_t>(a, 90);
      return true;
    case kDuplicate:
      duplicate_ = static_cast<int>(a);
      return true;
    case kDelay:
      delayMs_ = a;
      return true;
    case kReboot:
      lan_.Reboot(a % kRouterCount);
      return true;
    case kSilence:
      lan_.Silence(a % kRouterCount, true);
      return true;
    case kUnsilence:
      lan_.Silence(a % kRouterCount, false);
      return true;
    case kOtherRegisters:
      SendFromOther(static_cast<int>(a % kRouterCount), 0x1001);
      return true;
    case kOtherLeaves:
      SendFromOther(static_cast<int>(a % kRouterCount), 0x1003);
      return true;
    default:
      return false;
  }
}

void LanWorld::SendFromOther(int router, std::uint16_t command) {
  // The other workstation's numbered request; its answers go to it, not to
  // this tool's socket.
  const std::uint16_t sequence = ++otherSequence_ == 0 ? ++otherSequence_ : otherSequence_;
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(command >> 8),
                                     static_cast<std::uint8_t>(command),
                                     static_cast<std::uint8_t>(sequence >> 8),
                                     static_cast<std::uint8_t>(sequence),
                                     0,
                                     0};
  lan_.network().Receive(lan_.nowMs(), kOtherWorkstation, RouterAddress(router), bytes);
}

std::optional<Violation> LanWorld::Check() {
  std::optional<Violation> found[5];
  if (twiceRun_)
    found[0] = Violation{"callback-once", std::string("the ") + twiceRun_ + " callback ran twice"};
  found[1] = CheckReleased();
  found[2] = CheckWaits();
  // The world's checks first: a report the user saw marks the entries it
  // names as seen before the vanished ones are looked for.
  found[4] = CheckWorld();
  found[3] = CheckNothingVanished();
  for (auto& violation : found)
    if (Reported(violation))
      return violation;
  return std::nullopt;
}

std::optional<Violation> LanWorld::CheckReleased() {
  RouterProtocol* protocol = tool();
  // Deregistrations since the last look, from the log, which is then
  // emptied: runs of a million steps keep no history.
  for (const testing::LanDatagram& d : lan_.log()) {
    if (d.command != command::kDeregister)
      continue;
    for (int r = 0; r < kRouterCount; ++r) {
      Release& w = release_[static_cast<std::size_t>(r)];
      if (d.kind == testing::LanDatagram::Kind::ToolSent && d.to == RouterAddress(r))
        ++w.sent;
      if (d.kind == testing::LanDatagram::Kind::RouterReceived && d.router == r &&
          d.from == kWorkstation)
        ++w.received;
    }
  }
  lan_.ClearLog();
  for (int r = 0; r < kRouterCount; ++r) {
    Release& w = release_[static_cast<std::size_t>(r)];
    const tarnex_sim::Router& router = lan_.router(static_cast<std::size_t>(r));
    const bool held = router.session == kWorkstation;
    const bool heldBefore = std::exchange(heldBefore_[static_cast<std::size_t>(r)], held);
    const std::uint32_t address = RouterAddress(r);
    const bool used =
        protocol && protocol->state() != ProtocolState::Idle &&
        (protocol->registeredRouter() == address || protocol->candidateRouter() == address);
    if (!held || used) {
      w = Release{};
      if (used)
        w.lastUsedIn = protocol->state();
      continue;
    }
    if (!w.watching) {
      // What was sent in this very step counts: the log was read first.
      w.watching = true;
      w.sinceTick = tick_;
      // A registration request that reaches the router after the tool's
      // process has ended (delayed that long on the wire) holds it with
      // nobody left to let it go.
      w.heldAfterExit = !protocol && !heldBefore;
      w.tookLate = !heldBefore;
      continue;
    }
    if (w.heldAfterExit)
      continue;
    // The router took the tool only after the tool had stopped using it,
    // and nothing it said since reached the tool: the tool cannot know.
    if (w.tookLate && !w.heard && w.received == 0)
      continue;
    if (tick_ <= std::max(w.sinceTick, delayedUntilTick_) + kReleaseTicks)
      continue;
    if (w.sent >= kDeregistrationCopies && w.received == 0)
      continue;  // the network lost every copy: nothing the tool could do
    std::ostringstream message;
    message << "router " << Dotted(address) << " still registered to " << Dotted(kWorkstation)
            << " " << tick_ - w.sinceTick << " ticks after the tool stopped using it ("
            << (protocol ? "tool running" : "process ended")
            << "); deregistrations sent: " << w.sent << ", received: " << w.received
            << "; last used in protocol state " << static_cast<int>(w.lastUsedIn);
    if (w.sent == 1 && w.received == 0)
      message << " (one copy, lost, never repeated)";
    return Violation{"router-released", message.str()};
  }
  return std::nullopt;
}

std::optional<Violation> LanWorld::CheckWaits() {
  RouterProtocol* protocol = tool();
  if (!protocol)
    return std::nullopt;
  const ProtocolState state = protocol->state();
  if (state != lastState_ || protocol->requestOutstanding()) {
    lastState_ = state;
    quietSince_ = tick_;
    return std::nullopt;
  }
  const bool waits = state == ProtocolState::Idle || state == ProtocolState::Registered ||
                     (state == ProtocolState::PasswordRequested && waitingForUser());
  if (waits) {
    quietSince_ = tick_;
    return std::nullopt;
  }
  if (tick_ - quietSince_ <= static_cast<std::uint64_t>(kStuckTicks))
    return std::nullopt;
  return Violation{"protocol-waits", "protocol state " + std::to_string(static_cast<int>(state)) +
                                         " for " + std::to_string(tick_ - quietSince_) +
                                         " ticks with nothing outstanding and nobody asked"};
}

std::optional<Violation> LanWorld::CheckNothingVanished() {
  RouterProtocol* protocol = tool();
  // A write run deletes and adds as it goes; look between runs only.
  if (protocol && protocol->chainRunning())
    return std::nullopt;
  for (int r = 0; r < kRouterCount; ++r) {
    std::set<std::string>& before = routerEntries_[static_cast<std::size_t>(r)];
    const TableTexts now = RouterTables(lan_.router(static_cast<std::size_t>(r)));
    std::set<std::string> after;
    for (const EntryTexts* list : {&now.lineTargets, &now.routes, &now.filters})
      after.insert(list->begin(), list->end());
    for (const std::string& entry : before)
      if (!after.count(entry) && !userDeleted_.count(entry))
        return Violation{"no-silent-loss", "router " + Dotted(RouterAddress(r)) + " lost \"" +
                                               entry + "\", which the user did not delete"};
    before = std::move(after);
  }
  return std::nullopt;
}

namespace {

// `old` with the planned entries [0, count) of one table applied as the
// router applies them (a body replaces or appends, a deletion leaves a
// hole), holes closed.
template <class Record>
EntryTexts Applied(const EntryTexts& old, const std::vector<PlannedChange<Record>>& planned,
                   std::size_t count) {
  SlotTexts slots(old.begin(), old.end());
  for (std::size_t i = 0; i < count && i < planned.size(); ++i) {
    const TableChange<Record>& change = planned[i].change;
    const auto p = static_cast<std::size_t>(change.position);
    if (change.deleted) {
      if (p < slots.size())
        slots[p].reset();
    } else if (p < slots.size()) {
      slots[p] = EntryText(change.record);
    } else if (p == slots.size()) {
      slots.push_back(EntryText(change.record));
    }
  }
  EntryTexts texts;
  AppendPresent(texts, slots);
  return texts;
}

}  // namespace

std::optional<Violation> LanWorld::CheckWriteReport(int router, const TableTexts& old,
                                                    const WritePlan& plan,
                                                    const WriteProgress& progress) {
  const TableTexts held = RouterTables(lan_.router(static_cast<std::size_t>(router)));
  const bool unknown = progress.next == WriteProgress::Next::kUnanswered;
  std::size_t first = 0;  // the table's first entry in the plan's sending order
  std::optional<Violation> untrue;
  auto check = [&](const char* table, const EntryTexts& before, const EntryTexts& now,
                   const auto& planned) {
    // This table's confirmed entries, and whether its next one may have landed.
    const std::size_t confirmed =
        std::min(planned.size(), progress.confirmed > first ? progress.confirmed - first : 0);
    const bool maybe =
        unknown && progress.confirmed >= first && progress.confirmed < first + planned.size();
    for (std::size_t i = 0; i < confirmed + (maybe ? 1 : 0); ++i)
      if (planned[i].action != PlannedAction::kAdded)
        UserDeleted(EntryText(planned[i].before));  // the report names it as replaced
    first += planned.size();
    if (untrue || now == Applied(before, planned, confirmed) ||
        (maybe && now == Applied(before, planned, confirmed + 1)))
      return;
    untrue = Violation{"write-report-true",
                       std::string("the report of a broken-off write is untrue of the ") + table +
                           ": it implies " + List(Applied(before, planned, confirmed)) +
                           ", the router holds " + List(now)};
  };
  check("line targets", old.lineTargets, held.lineTargets, plan.lineTargets);
  check("routes", old.routes, held.routes, plan.routes);
  check("filters", old.filters, held.filters, plan.filters);
  return untrue;
}

Event LanWorld::ChooseWeighted(Random& random, std::span<const std::uint16_t[2]> weights) {
  std::uint32_t total = 0;
  for (const auto& w : weights)
    total += w[1];
  std::uint32_t roll = random.Below(total);
  for (const auto& w : weights) {
    if (roll < w[1])
      return {w[0], random.Below(1000)};
    roll -= w[1];
  }
  return {kTick, 1};
}

bool LanWorld::EditLineTargets(Configuration& work, int kind, int pick, std::uint32_t choice) {
  const int n = work.lineTargets.count();
  switch (kind) {
    case 0: {
      if (n == 0 || n >= 8)
        return false;
      LineTarget added = *work.lineTargets.NodeAt(1);
      added.hostName = ("198.51.100." + std::to_string(230 + choice % 20)).c_str();
      added.phoneNumber = ("0305550" + std::to_string(choice % 100)).c_str();
      added.tablePosition = n;
      if (!work.lineTargets.Find(added.hostName.view()))
        work.lineTargets.Append(added);
      return true;
    }
    case 1: {
      if (n <= 1 || pick > n)
        return false;
      const LineTarget& gone = *work.lineTargets.NodeAt(pick);
      UserDeleted(gone.hostName.str() + " " + gone.phoneNumber.str());
      work.lineTargets.RemoveAt(pick);
      return true;
    }
    case 2: {
      if (pick > n)
        return false;
      LineTarget& changed = *work.lineTargets.NodeAt(pick);
      UserDeleted(changed.hostName.str() + " " + changed.phoneNumber.str());
      changed.phoneNumber = ("0307770" + std::to_string(choice % 100)).c_str();
      return true;
    }
    default:
      return false;
  }
}

std::string LanWorld::Describe(const Event& event) const {
  std::string name;
  if (event.kind < kSharedEventCount)
    name = kSharedNames[event.kind];
  else if (event.kind >= kFirstUserEvent &&
           static_cast<std::size_t>(event.kind - kFirstUserEvent) < UserEventNames().size())
    name = UserEventNames()[static_cast<std::size_t>(event.kind - kFirstUserEvent)];
  else
    name = "unknown";
  return name + " " + std::to_string(event.argument);
}

std::optional<Event> LanWorld::Parse(const std::string& name, std::uint32_t argument) const {
  for (std::uint16_t k = 0; k < kSharedEventCount; ++k)
    if (name == kSharedNames[k])
      return Event{k, argument};
  const auto& user = UserEventNames();
  for (std::size_t k = 0; k < user.size(); ++k)
    if (name == user[k])
      return Event{static_cast<std::uint16_t>(kFirstUserEvent + k), argument};
  return std::nullopt;
}

}  // namespace tarcfg::simulation
