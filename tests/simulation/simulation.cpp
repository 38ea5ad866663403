// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation/simulation.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <sstream>

namespace tarcfg::simulation {

std::vector<std::string>& SkippedChecks() {
  static std::vector<std::string> skipped;
  return skipped;
}

bool Reported(const std::optional<Violation>& violation) {
  const auto& skipped = SkippedChecks();
  return violation && std::find(skipped.begin(), skipped.end(), violation->check) == skipped.end();
}

namespace {

// Applies the events `next` gives, checking after each, until it gives none
// or a check fails.
template <class Next>
RunResult Run(const WorldKind& kind, Next next) {
  RunResult result;
  std::unique_ptr<World> world = kind.make();
  while (const std::optional<Event> event = next(*world)) {
    result.events.push_back(*event);
    world->Apply(*event);
    ++result.steps;
    if ((result.violation = world->Check()))
      break;
  }
  return result;
}

}  // namespace

RunResult RunSeed(const WorldKind& kind, std::uint64_t seed, int steps) {
  Random random(seed);
  int step = 0;
  return Run(kind, [&](World& world) -> std::optional<Event> {
    if (step++ >= steps)
      return std::nullopt;
    return world.Choose(random);
  });
}

RunResult Replay(const WorldKind& kind, const std::vector<Event>& events) {
  std::size_t next = 0;
  return Run(kind, [&](World&) -> std::optional<Event> {
    if (next >= events.size())
      return std::nullopt;
    return events[next++];
  });
}

std::vector<Event> Shrink(const WorldKind& kind, std::vector<Event> events,
                          const std::string& check, int maxReplays) {
  int replays = 0;
  auto fails = [&](const std::vector<Event>& candidate) {
    ++replays;
    const RunResult run = Replay(kind, candidate);
    return run.violation && run.violation->check == check;
  };
  // Leave out chunks, halving their size, then single events, until no
  // removal keeps the failure (or the budget is spent).
  for (std::size_t chunk = std::max<std::size_t>(events.size() / 2, 1); chunk >= 1;) {
    bool removed = false;
    for (std::size_t start = 0; start < events.size() && replays < maxReplays;) {
      std::vector<Event> candidate = events;
      const std::size_t end = std::min(events.size(), start + chunk);
      candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(start),
                      candidate.begin() + static_cast<std::ptrdiff_t>(end));
      if (fails(candidate)) {
        events = std::move(candidate);
        removed = true;
      } else {
        start += chunk;
      }
    }
    if (replays >= maxReplays)
      break;
    if (chunk == 1 && !removed)
      break;
    if (chunk > 1)
      chunk /= 2;
  }
  // Smaller arguments read better: fewer ticks, fewer lost datagrams.
  for (std::size_t i = 0; i < events.size() && replays < maxReplays; ++i) {
    while (events[i].argument > 1 && events[i].argument < 1000 && replays < maxReplays) {
      std::vector<Event> candidate = events;
      candidate[i].argument /= 2;
      if (!fails(candidate))
        break;
      events = std::move(candidate);
    }
  }
  // The trace ends where the check fails.
  const RunResult last = Replay(kind, events);
  events.resize(last.steps);
  return events;
}

std::string FormatTrace(const World& world, const std::vector<Event>& events) {
  std::string text;
  for (std::size_t i = 0; i < events.size(); ++i)
    text += (i ? "; " : "") + world.Describe(events[i]);
  return text;
}

std::optional<std::vector<Event>> ParseTrace(const World& world, const std::string& text) {
  std::vector<Event> events;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ';')) {
    std::istringstream parts(item);
    std::string name;
    long long argument = 0;
    if (!(parts >> name))
      continue;
    if (!(parts >> argument) || argument < 0 || argument > 0xFFFFFFFFLL)
      return std::nullopt;
    std::optional<Event> event = world.Parse(name, static_cast<std::uint32_t>(argument));
    if (!event)
      return std::nullopt;
    events.push_back(*event);
  }
  return events;
}

}  // namespace tarcfg::simulation
