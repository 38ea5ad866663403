// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/metrics_collector.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>
#include <utility>

#include "config/address.h"
#include "config/reports.h"
#include "config/string_table.h"
#include "protocol/router_rules.h"

namespace tarcfg::serve {

CollectorClock CollectorClock::System() {
  return CollectorClock{
      [] {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
            .count();
      },
      [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
      }};
}

MetricsCollector::MetricsCollector(RouterProtocol& protocol, std::uint32_t ownAddress,
                                   CollectorOptions options, CollectorClock clock, LogCallback log)
    : protocol_(protocol),
      ownAddress_(ownAddress),
      options_(std::move(options)),
      clock_(std::move(clock)),
      log_(std::move(log)),
      cycle_(protocol, CycleLimits{options_.stepTimeoutTicks}),
      accounting_("accounting", &RouterRecord::accounting, options_.accountingIntervalSeconds,
                  options_.maxBackoffRounds, ownAddress,
                  [this](const HardwareAddress& hardware, const RouterRecord& router,
                         const std::string& text) { Report(hardware, router, text); }),
      archiveReads_("configuration", &RouterRecord::archive, options_.archiveIntervalSeconds,
                    options_.maxBackoffRounds, ownAddress,
                    [this](const HardwareAddress& hardware, const RouterRecord& router,
                           const std::string& text) { Report(hardware, router, text); }) {
  published_ = metrics::FormatExposition(Metrics());
}

// --- Entry points ------------------------------------------------------------

void MetricsCollector::OnProtocolError(int code) {
  if (cycle_.OnProtocolError(code))
    return;
  if (log_)
    log_("tarcfg-cli serve: " + MessageOnOneLine(NetworkErrorMessage(code)));
}

void MetricsCollector::OnDatagramReady() {
  protocol_.OnDatagramReady();
  while (Advance()) {
  }
}

void MetricsCollector::OnTimerTick() {
  protocol_.OnTimerTick();
  ++ticks_;
  if (cycle_.waiting()) {
    cycle_.Tick();
    if (cycle_.waiting() && stopRequested_ && ++stopTicks_ > options_.stopTimeoutTicks)
      cycle_.Interrupt();
  } else if (stopRequested_ && !cycle_.active() && releasesPending() &&
             ++stopTicks_ > 2 * options_.stopTimeoutTicks) {
    // The repetitions should long be out; a stop must end all the same.
    protocol_.FinishReleases();
  }
  if (phase_ == Phase::Scanning || phase_ == Phase::Overview) {
    if (++phaseTicks_ > options_.queryTimeoutTicks) {
      // The end notification never came (no timer slot was free, say):
      // take what arrived.
      if (log_)
        log_("tarcfg-cli serve: the network query did not end; taking the answers so far");
      scanEnded_ = overviewEnded_ = true;
    }
  }
  if (phase_ == Phase::Waiting && started_ && !stopRequested_ &&
      ticks_ - roundStartTick_ >= options_.intervalSeconds)
    StartRound();
  while (Advance()) {
  }
}

void MetricsCollector::Start() {
  started_ = true;
  if (phase_ == Phase::Waiting)
    StartRound();
  while (Advance()) {
  }
}

void MetricsCollector::RequestStop() {
  // A second signal does not put the end off.
  if (!stopRequested_)
    stopTicks_ = 0;
  stopRequested_ = true;
  cycle_.RequestStop();
  while (Advance()) {
  }
}

bool MetricsCollector::stopped() const {
  return stopRequested_ && !cycle_.active() && protocol_.state() == ProtocolState::Idle &&
         !releasesPending();
}

// The one place that waits for the deregistrations to be out: a stop is not
// complete, and the process must not end, while the protocol still has one
// to repeat.
bool MetricsCollector::releasesPending() const {
  return protocol_.releasePending();
}

void MetricsCollector::ReleaseNow() {
  cycle_.ReleaseNow();
  current_.reset();
  protocol_.FinishReleases();
}

// --- The round ---------------------------------------------------------------

void MetricsCollector::StartRound() {
  roundStartTick_ = ticks_;
  if (protocol_.state() != ProtocolState::Idle) {
    // Not ours to end (nothing else drives this protocol); wait a round.
    if (log_)
      log_("tarcfg-cli serve: the protocol is busy; round skipped");
    return;
  }
  ++round_;
  phase_ = Phase::Scanning;
  phaseTicks_ = 0;
  roundStartMonotonic_ = clock_.monotonicSeconds();
  scanAnswers_.clear();
  overviewAnswers_.clear();
  scanEnded_ = overviewEnded_ = false;
  const unsigned round = round_;
  protocol_.ScanNetwork([this, round](const ScanAnswer& answer) {
    if (round != round_ || phase_ != Phase::Scanning)
      return;
    if (answer.end) {
      scanEnded_ = true;
      return;
    }
    if (scanAnswers_.size() < options_.maxRouters)
      scanAnswers_.emplace(answer.hardwareAddress, answer);
  });
}

bool MetricsCollector::Advance() {
  switch (phase_) {
    case Phase::Waiting:
      return false;
    case Phase::Scanning:
      if (!scanEnded_)
        return false;
      EndScan();
      return true;
    case Phase::Overview:
      if (!overviewEnded_)
        return false;
      EndOverview();
      return true;
    case Phase::Reading:
      return AdvanceReads();
  }
  return false;
}

void MetricsCollector::EndScan() {
  lastScanTime_ = clock_.wallSeconds();
  for (const auto& [hardware, answer] : scanAnswers_) {
    auto it = routers_.find(hardware);
    if (it == routers_.end()) {
      if (routers_.size() >= options_.maxRouters) {
        if (!droppedRoutersLogged_ && log_)
          log_("tarcfg-cli serve: more than " + std::to_string(options_.maxRouters) +
               " routers; the others are not watched");
        droppedRoutersLogged_ = true;
        continue;
      }
      it = routers_.emplace(hardware, RouterRecord{}).first;
    } else if (!it->second.up) {
      it->second.address = answer.routerAddress;
      Report(hardware, it->second, "answers again");
    }
    RouterRecord& router = it->second;
    router.address = answer.routerAddress;
    router.registeredHost = answer.registeredHost;
    router.up = true;
    router.roundsUnseen = 0;
  }
  routersUp_ = 0;
  for (auto it = routers_.begin(); it != routers_.end();) {
    RouterRecord& router = it->second;
    if (scanAnswers_.count(it->first)) {
      ++routersUp_;
      ++it;
      continue;
    }
    if (router.up)
      Report(it->first, router, "no longer answers");
    router.up = false;
    router.overview.reset();
    accounting_.LeaveOut(router);
    archiveReads_.LeaveOut(router);
    if (++router.roundsUnseen >= options_.forgetAfterRounds)
      it = routers_.erase(it);
    else
      ++it;
  }

  phase_ = Phase::Overview;
  phaseTicks_ = 0;
  const unsigned round = round_;
  protocol_.QueryRouterOverview([this, round](const OverviewAnswer& answer) {
    if (round != round_ || phase_ != Phase::Overview)
      return;
    if (answer.end) {
      overviewEnded_ = true;
      return;
    }
    // Only the first answer of a router counts.
    if (overviewAnswers_.size() < options_.maxRouters)
      overviewAnswers_.emplace(answer.routerAddress, answer);
  });
}

void MetricsCollector::EndOverview() {
  // The overview names its routers by address; a router without one (in
  // its loader) has no overview.
  std::unordered_set<std::uint32_t> taken;
  for (auto& [hardware, router] : routers_) {
    if (!router.up)
      continue;
    auto answer = overviewAnswers_.find(router.address);
    if (router.address != 0 && answer != overviewAnswers_.end() &&
        taken.insert(router.address).second) {
      router.overview = answer->second;
      router.overviewAge = 0;
    } else if (router.overview && ++router.overviewAge >= options_.staleOverviewRounds) {
      router.overview.reset();
    }
  }
  overviewAnswers_.clear();
  scanDuration_ = clock_.monotonicSeconds() - roundStartMonotonic_;

  BeginReads();
}

void MetricsCollector::BeginReads() {
  turns_.clear();
  nextTurn_ = 0;
  if (!stopRequested_ && accounting_.TakeTurn(roundStartTick_))
    for (const HardwareAddress& hardware : accounting_.Select(routers_))
      turns_.push_back({hardware, &accounting_, &accountingRead_});
  if (!stopRequested_ && archive_ && archiveReads_.TakeTurn(roundStartTick_))
    for (const HardwareAddress& hardware : archiveReads_.Select(routers_))
      turns_.push_back({hardware, &archiveReads_, &configurationRead_});
  phase_ = Phase::Reading;
}

void MetricsCollector::FinishRound() {
  phase_ = Phase::Waiting;
  turns_.clear();
  nextTurn_ = 0;
  ++roundsCompleted_;
  published_ = metrics::FormatExposition(Metrics());
}

// --- The reads ---------------------------------------------------------------

bool MetricsCollector::AdvanceReads() {
  if (current_) {
    switch (cycle_.Advance()) {
      case RegistrationCycle::Progress::kIdle:  // released without an outcome
        current_.reset();
        return true;
      case RegistrationCycle::Progress::kWaiting:
        return false;
      case RegistrationCycle::Progress::kMoved:
        return true;
      case RegistrationCycle::Progress::kFinished:
        Record(*current_);
        current_.reset();
        return true;
    }
  }
  while (!stopRequested_ && nextTurn_ < turns_.size()) {
    const Turn& turn = turns_[nextTurn_++];
    auto router = routers_.find(turn.hardware);
    if (router == routers_.end())
      continue;
    current_ = turn;
    cycle_.Start(router->second.address, *turn.read, PasswordOf(turn.hardware));
    return true;
  }
  FinishRound();
  return true;
}

void MetricsCollector::Record(const Turn& turn) {
  auto router = routers_.find(turn.hardware);
  if (router == routers_.end())
    return;
  RouterRecord& r = router->second;
  switch (cycle_.outcome()) {
    case RegistrationCycle::Outcome::kRead: {
      std::string error;
      if (turn.read == &accountingRead_)
        r.lineTargets = accountingRead_.Result();
      if (turn.read == &configurationRead_ && !KeepConfiguration(turn.hardware, r, &error))
        turn.kind->RecordFailure(turn.hardware, r, error);
      else
        turn.kind->RecordSuccess(turn.hardware, r);
      break;
    }
    case RegistrationCycle::Outcome::kFailed:
      turn.kind->RecordFailure(turn.hardware, r, cycle_.failure());
      break;
    case RegistrationCycle::Outcome::kInterrupted:
      break;
  }
}

bool MetricsCollector::KeepConfiguration(const HardwareAddress& hardware, RouterRecord& router,
                                         std::string* error) {
  RouterParameters parameters = configurationRead_.router();
  parameters.name = DottedQuad(router.address);
  const ArchiveResult result = archive_->Archive(FormatHardwareAddress(hardware),
                                                 configurationRead_.configuration(), parameters);
  if (!result.ok) {
    *error = "cannot keep it in the history: " + result.error;
    return false;
  }
  router.versions = result.versions;
  router.lastChange = result.lastChange;
  if (result.changedElsewhere)
    Report(hardware, router, "configuration changed elsewhere; kept in the history");
  return true;
}

std::optional<std::string> MetricsCollector::PasswordOf(const HardwareAddress& hardware) const {
  const auto own = options_.passwords.find(hardware);
  if (own != options_.passwords.end())
    return own->second;
  return options_.password;
}

void MetricsCollector::Report(const HardwareAddress& hardware, const RouterRecord& router,
                              const std::string& text) {
  if (!log_)
    return;
  log_("tarcfg-cli serve: " + (router.address ? DottedQuad(router.address) : "---------") + " (" +
       FormatHardwareAddress(hardware) + "): " + text);
}

std::vector<metrics::MetricFamily> MetricsCollector::Metrics() const {
  MetricsScope scope;
  scope.ownAddress = ownAddress_;
  scope.accounting = accounting_.enabled();
  scope.archive = archive_ && archiveReads_.enabled();
  scope.scanDuration = scanDuration_;
  scope.lastScanTime = lastScanTime_;
  scope.routersUp = routersUp_;
  return RouterMetrics(routers_, scope);
}

}  // namespace tarcfg::serve
