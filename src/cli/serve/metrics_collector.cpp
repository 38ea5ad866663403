// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/metrics_collector.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "config/address.h"
#include "config/operating_modes.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::serve {
namespace {

using metrics::Label;
using metrics::MetricFamily;
using metrics::MetricType;

// The string table's texts are written for message boxes; a log line keeps
// them on one line.
std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
    text.pop_back();
  return text;
}

std::string RefusalText(const RegistrationResult& result) {
  switch (result.refusalCode) {
    case 3:
      return LoadString(40000);
    case 4:
      return FormatString(40007, result.registeredHost.c_str());
    case 5:
      return LoadString(40107);
    case 6:
      return LoadString(40008);
    default:
      return FormatString(40006, static_cast<int>(result.refusalCode));
  }
}

const char* const kDirections[] = {"outgoing", "incoming"};

}  // namespace

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
      log_(std::move(log)) {
  protocol_.SetRegistrationAbandonedCallback([this] {
    if (aborting_ || !JobWaiting())
      return;
    job_->failure = "the router ended the registration without an answer";
    job_->step = JobStep::Failed;
  });
  published_ = metrics::FormatExposition(Metrics());
}

// --- Entry points ------------------------------------------------------------

void MetricsCollector::OnProtocolError(int code) {
  if (aborting_)
    return;
  if (JobWaiting()) {
    job_->failure = OneLine(FormatString(40100, code));
    job_->step = JobStep::Failed;
    return;
  }
  if (log_)
    log_("tarcfg-cli serve: " + OneLine(FormatString(40100, code)));
}

void MetricsCollector::OnDatagramReady() {
  protocol_.OnDatagramReady();
  while (Advance()) {
  }
}

void MetricsCollector::OnTimerTick() {
  protocol_.OnTimerTick();
  ++ticks_;
  if (JobWaiting()) {
    ++job_->ticks;
    int limit = options_.stepTimeoutTicks;
    if (job_->step == JobStep::ReadingTargets || job_->step == JobStep::ReadingCounters)
      limit += kTiming.repeatInterval * job_->lineTargetCount;  // a repetition per entry
    if (job_->ticks > limit)
      FailJob("no answer");
    else if (stopRequested_ && ++stopTicks_ > options_.stopTimeoutTicks)
      job_->step = JobStep::Interrupted;
  } else if (stopRequested_ && !job_ && releasesPending() &&
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
  while (Advance()) {
  }
}

bool MetricsCollector::stopped() const {
  return stopRequested_ && !job_ && protocol_.state() == ProtocolState::Idle && !releasesPending();
}

// The one place that waits for the deregistrations to be out: a stop is not
// complete, and the process must not end, while the protocol still has one
// to repeat.
bool MetricsCollector::releasesPending() const {
  return protocol_.releasePending();
}

void MetricsCollector::ReleaseNow() {
  if (job_ && job_->step != JobStep::Failed)
    job_->step = JobStep::Interrupted;
  EnsureIdle();
  job_.reset();
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
    case Phase::Accounting:
      return AdvanceJob();
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
    LeaveCountersOut(router);
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

  const bool due = accountingRoundTick_ < 0 ||
                   roundStartTick_ - accountingRoundTick_ >= options_.accountingIntervalSeconds;
  if (options_.accountingIntervalSeconds > 0 && due && !stopRequested_)
    BeginAccounting();
  else
    FinishRound();
}

void MetricsCollector::BeginAccounting() {
  phase_ = Phase::Accounting;
  accountingRoundTick_ = roundStartTick_;
  accountingRan_ = true;
  accountingQueue_.clear();
  accountingNext_ = 0;
  for (auto& [hardware, router] : routers_) {
    if (!router.up || router.address == 0) {
      LeaveCountersOut(router);
      continue;
    }
    if (router.registeredHost != 0 && router.registeredHost != ownAddress_) {
      // Held by another host: registering would only be refused.
      router.accountingAttempted = true;
      router.accountingOk = false;
      router.lineTargets.clear();
      const std::string problem =
          "held by " + DottedQuad(router.registeredHost) + "; accounting not read";
      if (router.problem != problem) {
        router.problem = problem;
        Report(hardware, router, problem);
      }
      continue;
    }
    if (router.skipRounds > 0) {
      --router.skipRounds;
      continue;
    }
    accountingQueue_.push_back(hardware);
  }
}

void MetricsCollector::FinishRound() {
  phase_ = Phase::Waiting;
  accountingQueue_.clear();
  accountingNext_ = 0;
  ++roundsCompleted_;
  published_ = metrics::FormatExposition(Metrics());
}

// --- Accounting --------------------------------------------------------------

bool MetricsCollector::JobWaiting() const {
  return job_ && (job_->step == JobStep::Registering || job_->step == JobStep::ReadingTargets ||
                  job_->step == JobStep::ReadingCounters);
}

bool MetricsCollector::AdvanceJob() {
  if (!job_) {
    while (!stopRequested_ && accountingNext_ < accountingQueue_.size()) {
      const HardwareAddress hardware = accountingQueue_[accountingNext_++];
      if (routers_.count(hardware)) {
        StartJob(hardware);
        return true;
      }
    }
    FinishRound();
    return true;
  }
  Job& job = *job_;
  auto router = routers_.find(job.hardware);
  switch (job.step) {
    case JobStep::Registering:
    case JobStep::ReadingTargets:
    case JobStep::ReadingCounters:
      return false;
    case JobStep::Accepted: {
      if (stopRequested_) {
        job.step = JobStep::Interrupted;
        return true;
      }
      job.step = JobStep::ReadingTargets;
      job.ticks = 0;
      const unsigned id = job.id;
      // The callback may come at once (no line targets).
      protocol_.ReadLineTargets(
          [this, id](LineTargetList& targets) {
            if (!job_ || job_->id != id || job_->step != JobStep::ReadingTargets)
              return;
            job_->lineTargets = std::move(targets);
            job_->step = JobStep::TargetsRead;
          },
          job.lineTargetCount);
      return true;
    }
    case JobStep::TargetsRead: {
      if (stopRequested_) {
        job.step = JobStep::Interrupted;
        return true;
      }
      job.step = JobStep::ReadingCounters;
      job.ticks = 0;
      job.lineTargetCount = job.lineTargets.count();
      const unsigned id = job.id;
      protocol_.ReadAccounting(
          [this, id](LineTargetList& targets) {
            if (!job_ || job_->id != id || job_->step != JobStep::ReadingCounters)
              return;
            job_->lineTargets = std::move(targets);
            job_->step = JobStep::CountersRead;
          },
          &job.lineTargets);
      return true;
    }
    case JobStep::CountersRead: {
      // Deregister first: the registration is held no longer than the read.
      EnsureIdle();
      if (router != routers_.end()) {
        RouterRecord& r = router->second;
        r.lineTargets.clear();
        int position = 0;
        for (const LineTarget& target : job.lineTargets) {
          LineTargetAccounting line;
          line.position = ++position;
          line.hostName = target.hostName.str();
          line.phoneNumber = target.phoneNumber.str();
          line.counters = target.accountingCounters;
          r.lineTargets.push_back(std::move(line));
        }
        r.accountingAttempted = true;
        r.accountingOk = true;
        r.failures = 0;
        r.skipRounds = 0;
        if (!r.problem.empty()) {
          r.problem.clear();
          Report(job.hardware, r, "accounting read again");
        }
      }
      job_.reset();
      return true;
    }
    case JobStep::Failed: {
      EnsureIdle();
      if (router != routers_.end())
        RecordFailure(job.hardware, router->second, job.failure);
      job_.reset();
      return true;
    }
    case JobStep::Interrupted:
      EnsureIdle();
      job_.reset();
      return true;
  }
  return false;
}

void MetricsCollector::StartJob(const HardwareAddress& hardware) {
  const RouterRecord& router = routers_.at(hardware);
  job_.emplace();
  job_->id = ++jobIds_;
  job_->hardware = hardware;
  job_->address = router.address;
  job_->step = JobStep::Registering;
  const unsigned id = job_->id;
  // A failing first send reports through OnProtocolError at once.
  protocol_.Register([this, id](const RegistrationResult& result) { OnRegistration(id, result); },
                     router.address);
  if (job_ && job_->step == JobStep::Registering && protocol_.state() == ProtocolState::Idle) {
    job_->failure = "the registration could not be sent";
    job_->step = JobStep::Failed;
  }
}

void MetricsCollector::OnRegistration(unsigned id, const RegistrationResult& result) {
  if (!job_ || job_->id != id || job_->step != JobStep::Registering)
    return;
  Job& job = *job_;
  switch (result.kind) {
    case RegistrationKind::Accepted:
      job.lineTargetCount = result.lineTargetCount;
      job.step = JobStep::Accepted;
      job.ticks = 0;
      return;
    case RegistrationKind::PasswordRequested:
      // The answer goes out at once, from within the protocol's callback, as
      // the registration dialog does; the rest waits for the entry points.
      // Without an answer the registration is ended there (EnsureIdle), with
      // a deregistration: the router has the candidate in hand.
      if (stopRequested_) {
        job.step = JobStep::Interrupted;
      } else if (!options_.password) {
        job.failure = "the router asks for a password (give it with -p or TARCFG_PASSWORD)";
        job.step = JobStep::Failed;
      } else if (options_.password->size() > kPasswordWireLength) {
        job.failure = OneLine(LoadString(40000));
        job.step = JobStep::Failed;
      } else {
        job.ticks = 0;
        protocol_.SendPassword(result.challengeSequence, *options_.password, result.seed);
      }
      return;
    case RegistrationKind::Refused:
      job.failure = OneLine(RefusalText(result));
      job.step = JobStep::Failed;
      return;
  }
}

void MetricsCollector::FailJob(const std::string& reason) {
  if (!job_)
    return;
  job_->failure = reason;
  job_->step = JobStep::Failed;
}

void MetricsCollector::EnsureIdle() {
  aborting_ = true;
  switch (protocol_.state()) {
    case ProtocolState::Idle:
      break;
    case ProtocolState::Registered:
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
      // Also a registration not yet answered: the router may take it (or
      // have taken it) still, and must not stay held by this host.
      protocol_.Deregister();
      break;
    default:
      // A request of the registration is still waiting: end the
      // registration with a deregistration that carries the time-out code.
      protocol_.AbandonRouter(kErrorNoAcknowledge);
      break;
  }
  aborting_ = false;
}

void MetricsCollector::RecordFailure(const HardwareAddress& hardware, RouterRecord& router,
                                     const std::string& reason) {
  router.accountingAttempted = true;
  router.accountingOk = false;
  router.lineTargets.clear();
  ++router.failures;
  router.skipRounds = std::min(1 << std::min(router.failures - 1, 20), options_.maxBackoffRounds);
  if (router.problem != reason) {
    router.problem = reason;
    Report(hardware, router, "accounting not read: " + reason + " (backing off)");
  }
}

void MetricsCollector::LeaveCountersOut(RouterRecord& router) {
  if (router.accountingAttempted)
    router.accountingOk = false;
  router.lineTargets.clear();
}

void MetricsCollector::Report(const HardwareAddress& hardware, const RouterRecord& router,
                              const std::string& text) {
  if (!log_)
    return;
  log_("tarcfg-cli serve: " + (router.address ? DottedQuad(router.address) : "---------") + " (" +
       FormatHardwareAddress(hardware) + "): " + text);
}

// --- Metrics -----------------------------------------------------------------

std::vector<Label> MetricsCollector::RouterLabels(const HardwareAddress& hardware,
                                                  const RouterRecord& router) const {
  return {{"hardware_address", FormatHardwareAddress(hardware)},
          {"address", router.address ? DottedQuad(router.address) : std::string()}};
}

std::vector<MetricFamily> MetricsCollector::Metrics() const {
  MetricFamily up{"tarnex_router_up",
                  "1 when the router answered the last scan, 0 when it answered an earlier one "
                  "but not the last.",
                  MetricType::Gauge,
                  {}};
  MetricFamily held{"tarnex_router_held",
                    "1 when another host holds the router's registration.",
                    MetricType::Gauge,
                    {}};
  MetricFamily info{"tarnex_router_info",
                    "Firmware version, D-channel protocol and operating mode from the overview "
                    "query; always 1.",
                    MetricType::Gauge,
                    {}};
  MetricFamily state{"tarnex_channel_state",
                     "State code of the B-channel: 0 not connected, 1 and 2 establishing, 3 "
                     "connected, 4 and 5 closing.",
                     MetricType::Gauge,
                     {}};
  MetricFamily connected{
      "tarnex_channel_connected", "1 while the B-channel is connected.", MetricType::Gauge, {}};
  MetricFamily duration{"tarnex_scan_duration_seconds",
                        "Seconds the last scan and overview query took.",
                        MetricType::Gauge,
                        {}};
  MetricFamily timestamp{"tarnex_last_scan_timestamp_seconds",
                         "Unix time at which the last scan ended.",
                         MetricType::Gauge,
                         {}};
  MetricFamily count{
      "tarnex_routers", "Routers that answered the last scan.", MetricType::Gauge, {}};
  MetricFamily success{
      "tarnex_accounting_success",
      "1 when the last accounting read of the router succeeded; 0 when it failed or "
      "the router did not answer, and its counters are then left out.",
      MetricType::Gauge,
      {}};
  MetricFamily charges{"tarnex_line_target_charges_total",
                       "Charge units of the line target, as the router counts them.",
                       MetricType::Counter,
                       {}};
  MetricFamily calls{
      "tarnex_line_target_calls_total", "Calls of the line target.", MetricType::Counter, {}};
  MetricFamily packets{
      "tarnex_line_target_packets_total", "Packets of the line target.", MetricType::Counter, {}};
  MetricFamily bytes{
      "tarnex_line_target_bytes_total", "Bytes of the line target.", MetricType::Counter, {}};

  for (const auto& [hardware, router] : routers_) {
    const std::vector<Label> labels = RouterLabels(hardware, router);
    up.Add(labels, router.up ? 1 : 0);
    held.Add(labels, router.registeredHost != 0 && router.registeredHost != ownAddress_ ? 1 : 0);
    if (router.up && router.overview && router.address != 0) {
      const OverviewAnswer& o = *router.overview;
      const bool known = !o.firmwareVersion.empty();
      std::vector<Label> infoLabels = labels;
      infoLabels.push_back({"firmware", o.firmwareVersion});
      infoLabels.push_back(
          {"d_channel_protocol", known ? DChannelProtocolName(o.dChannelProtocol) : std::string()});
      infoLabels.push_back(
          {"operating_mode", known ? OperatingModeLabel(o.permanentConnection) : std::string()});
      info.Add(std::move(infoLabels), 1);
      for (std::size_t c = 0; c < o.channels.size(); ++c) {
        std::vector<Label> channel = labels;
        channel.push_back({"channel", std::to_string(c + 1)});
        const int code = NormalizeChannelState(o.channels[c].state);
        state.Add(channel, code);
        connected.Add(std::move(channel), code == 3 ? 1 : 0);
      }
    }
    if (options_.accountingIntervalSeconds > 0 && router.address != 0 && router.accountingAttempted)
      success.Add(labels, router.accountingOk ? 1 : 0);
    for (const LineTargetAccounting& line : router.lineTargets) {
      std::vector<Label> target = labels;
      target.push_back({"position", std::to_string(line.position)});
      target.push_back({"host_name", line.hostName});
      target.push_back({"phone_number", line.phoneNumber});
      charges.Add(target, line.counters[0]);
      for (int d = 0; d < 2; ++d) {
        std::vector<Label> directed = target;
        directed.push_back({"direction", kDirections[d]});
        calls.Add(directed, line.counters[1 + d]);
        packets.Add(directed, line.counters[3 + d]);
        bytes.Add(std::move(directed), line.counters[5 + d]);
      }
    }
  }
  // Milliseconds are plenty for a scan that takes seconds.
  auto milliseconds = [](double seconds) { return std::round(seconds * 1000) / 1000; };
  if (scanDuration_)
    duration.Add({}, milliseconds(*scanDuration_));
  if (lastScanTime_)
    timestamp.Add({}, milliseconds(*lastScanTime_));
  if (lastScanTime_)
    count.Add({}, routersUp_);

  std::vector<MetricFamily> families;
  families.push_back(std::move(up));
  families.push_back(std::move(held));
  families.push_back(std::move(info));
  families.push_back(std::move(state));
  families.push_back(std::move(connected));
  families.push_back(std::move(duration));
  families.push_back(std::move(timestamp));
  families.push_back(std::move(count));
  if (options_.accountingIntervalSeconds > 0) {
    families.push_back(std::move(success));
    families.push_back(std::move(charges));
    families.push_back(std::move(calls));
    families.push_back(std::move(packets));
    families.push_back(std::move(bytes));
  }
  return families;
}

}  // namespace tarcfg::serve
