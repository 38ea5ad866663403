// SPDX-License-Identifier: GPL-3.0-or-later
// MetricsCollector: the rounds of `tarcfg-cli serve` and the metrics they
// leave behind.
//
// A round scans the network, queries the overview and, when a periodic read
// is due (PeriodicRead), makes it with each router it may, one after the
// other, each in a short registration of its own (RegistrationCycle): the
// accounting read (line targets and their counters) and the configuration
// read of the archive (the three tables, kept by ConfigArchive when they
// changed).
// The front end drives it through the protocol's two entry points, passed
// through OnDatagramReady and OnTimerTick (one tick a second), and gives
// OnProtocolError as the protocol's error callback. Every protocol call is
// made from those two entry points, never from inside a protocol callback,
// so a step can always start the next one.
//
// Between rounds the protocol is Idle. A router whose counters were not
// read in the last accounting round (silent, held, failed) reports success
// 0 and no counter samples: the counters of an earlier read are never
// exported as current. Routers not seen for `forgetAfterRounds` rounds are
// forgotten, so the state stays bounded however many routers come and go.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/serve/accounting_read.h"
#include "cli/serve/config_archive.h"
#include "cli/serve/configuration_read.h"
#include "cli/serve/exposition.h"
#include "cli/serve/periodic_reads.h"
#include "cli/serve/registration_cycle.h"
#include "cli/serve/router_metrics.h"
#include "cli/serve/router_passwords.h"
#include "cli/serve/router_record.h"
#include "protocol/router_protocol.h"

namespace tarcfg::serve {

struct CollectorOptions {
  int intervalSeconds = 30;             // from one round's start to the next one's
  int accountingIntervalSeconds = 0;    // 0: no accounting reads
  int archiveIntervalSeconds = 0;       // 0: no configuration reads (they need UseArchive)
  std::optional<std::string> password;  // for routers that ask for one
  RouterPasswords passwords;            // by router, before `password`
  // A router that missed this many scans in a row is forgotten (its
  // `up 0` line disappears).
  int forgetAfterRounds = 120;
  // An overview answer stands for this many rounds when the router misses
  // the overview query but still answers scans.
  int staleOverviewRounds = 3;
  std::size_t maxRouters = 10000;
  int maxBackoffRounds = 32;
  // Ticks a step of a read may wait for its answer, plus one repetition
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

  // Where the configuration reads of archiveIntervalSeconds go; without it
  // none are made. It must outlive the collector.
  void UseArchive(const ConfigArchive& archive) { archive_ = &archive; }
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
  enum class Phase { Waiting, Scanning, Overview, Reading };
  // One router's turn of one kind of read.
  struct Turn {
    HardwareAddress hardware{};
    PeriodicRead* kind = nullptr;
    TableRead* read = nullptr;
  };

  void StartRound();
  void EndScan();
  void EndOverview();
  void BeginReads();
  void FinishRound();
  // Takes the next step of the round; false when it waits for the network.
  bool Advance();
  bool AdvanceReads();
  void Record(const Turn& turn);
  // Keeps the configuration just read in the archive; false with why not.
  bool KeepConfiguration(const HardwareAddress& hardware, RouterRecord& router, std::string* error);
  std::optional<std::string> PasswordOf(const HardwareAddress& hardware) const;
  void Report(const HardwareAddress& hardware, const RouterRecord& router, const std::string& text);

  RouterProtocol& protocol_;
  std::uint32_t ownAddress_;
  CollectorOptions options_;
  CollectorClock clock_;
  LogCallback log_;
  RegistrationCycle cycle_;
  PeriodicRead accounting_;
  AccountingRead accountingRead_;
  PeriodicRead archiveReads_;
  ConfigurationRead configurationRead_;
  const ConfigArchive* archive_ = nullptr;

  bool started_ = false;
  bool stopRequested_ = false;
  int stopTicks_ = 0;
  long ticks_ = 0;
  Phase phase_ = Phase::Waiting;
  int phaseTicks_ = 0;
  unsigned round_ = 0;
  long roundStartTick_ = 0;
  double roundStartMonotonic_ = 0;
  int roundsCompleted_ = 0;
  bool scanEnded_ = false;
  bool overviewEnded_ = false;
  std::map<HardwareAddress, ScanAnswer> scanAnswers_;  // this round's, first per router
  std::unordered_map<std::uint32_t, OverviewAnswer> overviewAnswers_;  // by sender
  std::vector<Turn> turns_;
  std::size_t nextTurn_ = 0;
  std::optional<Turn> current_;  // the turn of the cycle running now
  bool droppedRoutersLogged_ = false;

  std::map<HardwareAddress, RouterRecord> routers_;
  std::optional<double> scanDuration_;
  std::optional<double> lastScanTime_;
  int routersUp_ = 0;
  std::string published_;
};

}  // namespace tarcfg::serve
