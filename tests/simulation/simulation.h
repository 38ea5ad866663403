// SPDX-License-Identifier: GPL-3.0-or-later
// Deterministic simulation of the tool against emulated routers: one
// thread, a clock that moves only when the simulation moves it, and a seeded
// random source that decides what happens next - a user action, a fault of
// the network or a router, or time passing.
//
// A World holds the tool (its real core, and where it runs without
// blocking, its real front-end code) behind SimulatedLan. The runner asks
// the world for the next event, applies it and runs the world's checks
// after every step. An event is a plain (kind, argument) pair, so a run is
// its list of events: replaying the list on a fresh world repeats the run
// exactly, and a failing list can be shrunk by leaving events out while
// the same check still fails.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tarcfg::simulation {

// The one random source of a run. Choices are `value % n`, never a
// standard distribution, whose results differ between library versions.
class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}
  std::uint64_t Next() { return engine_(); }
  // 0 .. n-1; 0 when n is 0.
  std::uint32_t Below(std::uint32_t n) {
    return n == 0 ? 0 : static_cast<std::uint32_t>(Next() % n);
  }
  // True in `percent` of the calls.
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

 private:
  std::mt19937_64 engine_;
};

struct Event {
  std::uint16_t kind = 0;
  std::uint32_t argument = 0;
  bool operator==(const Event&) const = default;
};

// A check that failed: its name (stable, for shrinking and the regression
// list) and what was wrong.
struct Violation {
  std::string check;
  std::string message;
};

class World {
 public:
  virtual ~World() = default;
  // The next event, chosen by `random` and the world's state.
  virtual Event Choose(Random& random) = 0;
  // Applies one event; an event that does not fit the state (a shrunk
  // trace) does nothing.
  virtual void Apply(const Event& event) = 0;
  // Runs every check; the first one that fails.
  virtual std::optional<Violation> Check() = 0;
  // "tick 3", "user-write 17" and back; nothing for an unknown name.
  virtual std::string Describe(const Event& event) const = 0;
  virtual std::optional<Event> Parse(const std::string& name, std::uint32_t argument) const = 0;
};

// Checks left out of a run (--skip), so that faults behind a frequent one
// show; their violations are not reported.
std::vector<std::string>& SkippedChecks();
bool Reported(const std::optional<Violation>& violation);

struct WorldKind {
  std::string name;  // "protocol", "shell"
  std::function<std::unique_ptr<World>()> make;
};

struct RunResult {
  std::vector<Event> events;  // the events applied, in order
  std::optional<Violation> violation;
  std::uint64_t steps = 0;
};

// A fresh world driven by `seed` for up to `steps` events; stops at the
// first violation.
RunResult RunSeed(const WorldKind& kind, std::uint64_t seed, int steps);
// A fresh world given exactly `events`.
RunResult Replay(const WorldKind& kind, const std::vector<Event>& events);
// A shorter list of events on which `check` still fails (at most
// `maxReplays` replays are spent on the search).
std::vector<Event> Shrink(const WorldKind& kind, std::vector<Event> events,
                          const std::string& check, int maxReplays = 3000);

// "tick 3; user-register 0; ..." and back (the regression list's format).
std::string FormatTrace(const World& world, const std::vector<Event>& events);
std::optional<std::vector<Event>> ParseTrace(const World& world, const std::string& text);

// The worlds: the protocol core with the front ends' rules, and the
// desktop tool's main window and Line Targets dialog.
WorldKind ProtocolWorld();
WorldKind ShellWorld();

}  // namespace tarcfg::simulation
