// SPDX-License-Identifier: GPL-3.0-or-later
// session_simulation: runs seeds of the deterministic simulation, prints
// every failing seed with its event trace shrunk to a short sequence, and
// replays traces (one given with --trace, or a regression list).
//
//   session_simulation [--seeds N] [--steps M] [--first-seed F | --seed S]
//                      [--world protocol|shell|all] [--skip CHECK]... [--no-shrink]
//   session_simulation --world W --trace "tick 3; user-register 0; ..."
//   session_simulation --regressions FILE
//
// The last line is "simulate: N seeds, M steps, V violations"; the exit
// status is 1 when any seed or trace failed.
#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "simulation/simulation.h"

namespace sim = tarcfg::simulation;

namespace {

struct Options {
  std::uint64_t seeds = 100;
  int steps = 500;
  std::uint64_t firstSeed = 1;
  std::string world = "all";
  bool shrink = true;
  std::string trace;
  std::string regressions;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto number = [&](auto& field) {
      field = static_cast<std::remove_reference_t<decltype(field)>>(std::stoull(argv[++i]));
    };
    try {
      if (arg == "--seeds" && hasValue)
        number(options.seeds);
      else if (arg == "--steps" && hasValue)
        number(options.steps);
      else if (arg == "--first-seed" && hasValue)
        number(options.firstSeed);
      else if (arg == "--seed" && hasValue) {
        number(options.firstSeed);
        options.seeds = 1;
      } else if (arg == "--world" && hasValue)
        options.world = argv[++i];
      else if (arg == "--trace" && hasValue)
        options.trace = argv[++i];
      else if (arg == "--regressions" && hasValue)
        options.regressions = argv[++i];
      else if (arg == "--skip" && hasValue)
        sim::SkippedChecks().push_back(argv[++i]);
      else if (arg == "--no-shrink")
        options.shrink = false;
      else {
        std::cerr << "session_simulation: unknown argument " << arg << "\n";
        return false;
      }
    } catch (const std::exception&) {
      std::cerr << "session_simulation: " << arg << " needs a number\n";
      return false;
    }
  }
  return options.world == "all" || options.world == "protocol" || options.world == "shell";
}

sim::WorldKind KindNamed(const std::string& name) {
  return name == "shell" ? sim::ShellWorld() : sim::ProtocolWorld();
}

// Every fourth seed drives the desktop tool's windows, the rest the
// protocol world, which runs far more steps a second.
sim::WorldKind KindForSeed(const Options& options, std::uint64_t seed) {
  if (options.world != "all")
    return KindNamed(options.world);
  return KindNamed(seed % 4 == 3 ? "shell" : "protocol");
}

void Report(const sim::WorldKind& kind, const std::string& what, const sim::Violation& violation,
            const std::vector<sim::Event>& events) {
  auto world = kind.make();
  std::cout << what << " (" << kind.name << "): " << violation.check << ": " << violation.message
            << "\n  trace (" << events.size() << " events): " << kind.name << ": "
            << sim::FormatTrace(*world, events) << "\n"
            << std::flush;
}

// One trace; true when it ran without a violation.
bool RunTrace(const sim::WorldKind& kind, const std::string& text, std::uint64_t& steps,
              const std::string& what) {
  auto world = kind.make();
  std::optional<std::vector<sim::Event>> events = sim::ParseTrace(*world, text);
  if (!events) {
    std::cout << what << ": unreadable trace: " << text << "\n";
    return false;
  }
  const sim::RunResult run = sim::Replay(kind, *events);
  steps += run.steps;
  if (!run.violation)
    return true;
  Report(kind, what, *run.violation, run.events);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << "usage: session_simulation [--seeds N] [--steps M] [--first-seed F | --seed S] "
                 "[--world protocol|shell|all] [--skip CHECK] [--no-shrink] [--trace T] "
                 "[--regressions FILE]\n";
    return 2;
  }
  // The desktop tool's windows run on the offscreen platform.
  if (!std::getenv("QT_QPA_PLATFORM"))
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);

  std::uint64_t seeds = 0, steps = 0, violations = 0;
  std::chrono::steady_clock::duration exploring{};
  const auto started = std::chrono::steady_clock::now();
  if (!options.trace.empty()) {
    const std::string world = options.world == "all" ? "protocol" : options.world;
    violations += RunTrace(KindNamed(world), options.trace, steps, "trace") ? 0 : 1;
  } else if (!options.regressions.empty()) {
    std::ifstream in(options.regressions);
    if (!in) {
      std::cerr << "session_simulation: cannot read " << options.regressions << "\n";
      return 2;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      if (line.empty() || line[0] == '#')
        continue;
      const std::size_t colon = line.find(':');
      const std::string world = line.substr(0, colon);
      if (colon == std::string::npos || (world != "protocol" && world != "shell")) {
        std::cout << options.regressions << ":" << number << ": no world\n";
        ++violations;
        continue;
      }
      ++seeds;
      violations += RunTrace(KindNamed(world), line.substr(colon + 1), steps,
                             options.regressions + ":" + std::to_string(number))
                        ? 0
                        : 1;
    }
  } else {
    for (std::uint64_t seed = options.firstSeed; seed < options.firstSeed + options.seeds; ++seed) {
      const sim::WorldKind kind = KindForSeed(options, seed);
      const auto before = std::chrono::steady_clock::now();
      sim::RunResult run = sim::RunSeed(kind, seed, options.steps);
      exploring += std::chrono::steady_clock::now() - before;
      ++seeds;
      steps += run.steps;
      if (!run.violation)
        continue;
      ++violations;
      std::vector<sim::Event> events = run.events;
      if (options.shrink)
        events = sim::Shrink(kind, std::move(events), run.violation->check);
      const sim::RunResult shrunk = sim::Replay(kind, events);
      Report(kind, "seed " + std::to_string(seed),
             shrunk.violation ? *shrunk.violation : *run.violation, events);
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double explored = std::chrono::duration<double>(exploring).count();
  std::cerr << "session_simulation: " << seconds << " s in all, " << explored
            << " s exploring seeds (" << (explored > 0 ? static_cast<double>(steps) / explored : 0)
            << " steps/s), the rest shrinking and replaying\n";
  std::cout << "simulate: " << seeds << " seeds, " << steps << " steps, " << violations
            << " violations" << std::endl;
  return violations == 0 ? 0 : 1;
}
