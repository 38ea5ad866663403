// SPDX-License-Identifier: GPL-3.0-or-later
// MetricsCollector: the rounds of `tarcfg-cli serve` and the metrics they
// leave behind.
//
// A round scans the network, queries the overview and, when accounting is
// due, registers with each router it may, reads the line targets and their
// accounting counters and deregisters at once, one router after the other.
// The front end drives it through the protocol's two entry points, passed
// through OnDatagramReady and OnTimerTick (one tick a second), and gives
// OnProtocolError as the protocol's error callback. Every protocol call is
// made from those two entry points, never from inside a protocol callback,
// so a step can always start the next one.
//
// Between rounds the protocol is Idle. A registration is held for one read
// only; a step that gets no answer is given up after a time-out with a
// deregistration, as is a registration attempt the collector gives up. A
// router whose counters were not read in the last accounting round (silent,
// held, failed) reports success 0 and no counter samples: the counters of
// an earlier read are never exported as current. Refusals, wrong passwords and network errors are
// logged once per change and back the router off for 1, 2, 4, ... accounting rounds. Routers not
// seen for `forgetAfterRounds` rounds are forgotten, so the state stays bounded however many
// routers come and go.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/serve/exposition.h"
#include "config/records.h"
#include "protocol/router_protocol.h"

namespace tarcfg::serve {

struct CollectorOptions {
  int intervalSeconds = 30;             // from one round's start to the next one's
  int accountingIntervalSeconds = 0;    // 0: never registers
  std::optional<std::string> password;  // for routers that ask for one
  // A router that missed this many scans in a row is forgotten (its
  // `up 0` line disappears).
  int forgetAfterRounds = 120;
  // An overview answer stands for this many rounds when the router misses
  // the overview query but still answers scans.
  int staleOverviewRounds = 3;
  std::size_t maxRouters = 10000;
  int maxBackoffRounds = 32;
  // Ticks an accounting step may wait for its answer, plus one repetition
  // interval (kTiming.repeatInterval) per table entry.
  int stepTimeoutTicks = 30;
  // Ticks a scan or overview query may last before it is given up.
  int queryTimeoutTicks = 30;
  // After RequestStop, ticks a read in progress may take before the
  // registration is ended without waiting for it.
  int stopTimeoutTicks = 10;
};

// The time sources: wall time for timestamps, a monotonic one for durations.
struct CollectorClock {
  std::function<double()> wallSeconds;
  std::function<double()> monotonicSeconds;
  static CollectorClock System();
};

// What is known of one line target after an accounting read.
struct LineTargetAccounting {
  int position = 0;  // 1-based, as `tarcfg-cli connect` counts
  std::string hostName;
  std::string phoneNumber;
  std::array<std::uint32_t, 7> counters{};  // charge, calls out/in, packets out/in, bytes out/in
};

// What is known of one router, by hardware address.
struct RouterRecord {
  std::uint32_t address = 0;
  std::uint32_t registeredHost = 0;
  bool up = false;       // answered the last scan
  int roundsUnseen = 0;  // scans in a row without its answer
  std::optional<OverviewAnswer> overview;
  int overviewAge = 0;  // rounds since the overview answer was taken
  bool accountingAttempted = false;
  bool accountingOk = false;
  std::vector<LineTargetAccounting> lineTargets;  // of the last successful read
  int failures = 0;                               // accounting failures in a row
  int skipRounds = 0;                             // accounting rounds still to skip
  std::string problem;                            // the last problem logged; empty when all is well
};

class MetricsCollector {
 public:
  using LogCallback = std::function<void(const std::string& line)>;

  MetricsCollector(RouterProtocol& protocol, std::uint32_t ownAddress, CollectorOptions options,
                   CollectorClock clock, LogCallback log);
  MetricsCollector(const MetricsCollector&) = delete;
  MetricsCollector& operator=(const MetricsCollector&) = delete;

  // The protocol's error callback.
  void OnProtocolError(int code);
  // The protocol's entry points, with the collector's work after them.
  void OnDatagramReady();
  void OnTimerTick();

  // Starts the first round now; the next ones follow every interval.
  void Start();
  // No new round or registration from now on; a read in progress is
  // finished (or, after stopTimeoutTicks, cut short) and deregistered.
  void RequestStop();
  // The stop is complete: nothing registered, nothing in progress, every
  // deregistration out.
  bool stopped() const;
  // A deregistration still has to be repeated: the event loop must go on.
  bool releasesPending() const;
  // For leaving without the event loop: ends whatever registration is held
  // or attempted now, with its deregistration, and sends those still due.
  void ReleaseNow();

  bool roundRunning() const { return phase_ != Phase::Waiting; }
  int roundsCompleted() const { return roundsCompleted_; }
  // The metrics of the last completed round.
  const std::string& exposition() const { return published_; }
  // The metric families of the state as it is now.
  std::vector<metrics::MetricFamily> Metrics() const;
  const std::map<HardwareAddress, RouterRecord>& routers() const { return routers_; }

 private:
  enum class Phase { Waiting, Scanning, Overview, Accounting };
  enum class JobStep {
    Registering,      // waiting for the registration's outcome
    Accepted,         // registered: read the line targets next
    ReadingTargets,   // waiting for the line-target table
    TargetsRead,      // read the counters next
    ReadingCounters,  // waiting for the accounting answers
    CountersRead,     // record them and deregister
    Failed,           // give up on this router
    Interrupted,      // stop requested: deregister, record nothing
  };
  struct Job {
    unsigned id = 0;
    HardwareAddress hardware{};
    std::uint32_t address = 0;
    JobStep step = JobStep::Registering;
    int ticks = 0;  // in the current step
    int lineTargetCount = 0;
    LineTargetList lineTargets = NewLineTargetList();
    std::string failure;
  };

  void StartRound();
  void EndScan();
  void EndOverview();
  void BeginAccounting();
  void FinishRound();
  // Takes the next step of the round; false when it waits for the network.
  bool Advance();
  bool AdvanceJob();
  void StartJob(const HardwareAddress& hardware);
  void OnRegistration(unsigned id, const RegistrationResult& result);
  void FailJob(const std::string& reason);
  bool JobWaiting() const;
  // Returns the protocol to Idle, deregistering when it holds a router.
  void EnsureIdle();
  void RecordFailure(const HardwareAddress& hardware, RouterRecord& router,
                     const std::string& reason);
  // Counters not read now are not current: success 0, no counter samples.
  static void LeaveCountersOut(RouterRecord& router);
  void Report(const HardwareAddress& hardware, const RouterRecord& router, const std::string& text);
  std::vector<metrics::Label> RouterLabels(const HardwareAddress& hardware,
                                           const RouterRecord& router) const;

  RouterProtocol& protocol_;
  std::uint32_t ownAddress_;
  CollectorOptions options_;
  CollectorClock clock_;
  LogCallback log_;

  bool started_ = false;
  bool stopRequested_ = false;
  int stopTicks_ = 0;
  long ticks_ = 0;
  Phase phase_ = Phase::Waiting;
  int phaseTicks_ = 0;
  unsigned round_ = 0;
  long roundStartTick_ = 0;
  long accountingRoundTick_ = -1;  // start tick of the last round with accounting
  bool accountingRan_ = false;
  double roundStartMonotonic_ = 0;
  int roundsCompleted_ = 0;
  bool scanEnded_ = false;
  bool overviewEnded_ = false;
  std::map<HardwareAddress, ScanAnswer> scanAnswers_;  // this round's, first per router
  std::unordered_map<std::uint32_t, OverviewAnswer> overviewAnswers_;  // by sender
  std::vector<HardwareAddress> accountingQueue_;
  std::size_t accountingNext_ = 0;
  std::optional<Job> job_;
  unsigned jobIds_ = 0;
  bool aborting_ = false;  // the collector itself ends a registration
  bool droppedRoutersLogged_ = false;

  std::map<HardwareAddress, RouterRecord> routers_;
  std::optional<double> scanDuration_;
  std::optional<double> lastScanTime_;
  int routersUp_ = 0;
  std::string published_;
};

}  // namespace tarcfg::serve
