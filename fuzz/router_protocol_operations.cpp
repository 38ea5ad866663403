// SPDX-License-Identifier: GPL-3.0-or-later
// The operations the harness starts as a front end would: reads, writes,
// accounting, the password and parameters, the loader and downloads, each
// with callbacks that check what the protocol reports.
#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "protocol/table_codec.h"
#include "router_protocol_harness.h"
#include "router_protocol_harness_impl.h"

namespace tarcfg::fuzz {
namespace {

template <class Record>
void CheckRead(const RecordList<Record>& list, int count) {
  FUZZ_CHECK(list.count() <= std::max(count, 0));
  for (const Record& record : list)
    FUZZ_CHECK(HasEntry(record));
}

void CheckReadFilters(const FilterList& filters, int count) {
  FUZZ_CHECK(filters.count() >= 1 && filters.count() <= std::max(count, 0) + 1);
  FUZZ_CHECK(IsDefaultFilter(*filters.NodeAt(filters.count())));
}

LineTargetList LineTargets(int count, int salt) {
  LineTargetList list = NewLineTargetList();
  for (int i = 0; i < count; ++i) {
    LineTarget target = NewLineTarget();
    target.hostName = "10.0.0." + std::to_string(20 + i);
    target.phoneNumber = std::to_string(3012340 + i + salt);
    target.layer2Protocol = i % 3;
    target.layer2Base = i % 3 == 2 ? kLayer2BasePpp : i % 3 + 1;
    target.layer3Protocol = (i + salt) % 4 == 3 ? kNoProtocol : (i + salt) % 3;
    target.remoteIdentification = i % 2 ? "name/secret" : "/pw";
    target.tablePosition = i;
    list.Append(target);
  }
  return list;
}

RouteList Routes(int count, int salt) {
  RouteList list = NewRouteList();
  for (int i = 0; i < count; ++i) {
    const std::string gateway = "10.0.0." + std::to_string(20 + (i + salt) % 8);
    list.Append(RouteEntry{"255.255.255.255", gateway.c_str(), gateway.c_str(), i});
  }
  return list;
}

FilterList Filters(int count, int salt) {
  FilterList list = NewFilterList();
  for (int i = 0; i < count; ++i) {
    FilterEntry filter;
    filter.sendNetmask = "255.255.255.0";
    filter.sendMatch = "124.50.16.0";
    filter.receiveNetmask = "0.0.0.0";
    filter.receiveMatch = "0.0.0.0";
    filter.protocol = 6;
    filter.port = 21 + (i + salt) % 3;
    filter.action = (i + salt) % 2;
    filter.tablePosition = i;
    list.Append(filter);
  }
  EnsureDefaultFilter(list);
  return list;
}

template <class Record>
int ChangeCount(RecordList<Record>& edited, const RecordList<Record>& saved) {
  NumberTablePositions(edited);
  return static_cast<int>(ComputeTableChanges(edited, saved).size());
}

}  // namespace

void RouterProtocolHarness::Impl::Registered(std::uint8_t variant, std::uint8_t count) {
  protocol_->Register(RegistrationReply(), kRouterAddress);
  Collect();
  RouterSends(command::kRegistrationAccepted,
              AcceptedPayload(count % 5, (count >> 3) % 5, (variant >> 2) % 5));
}

RouterProtocol::RegistrationCallback RouterProtocolHarness::Impl::RegistrationReply() {
  auto calls = std::make_shared<Calls>();
  return [this, calls](const tarcfg::RegistrationResult& result) {
    FUZZ_CHECK(calls->finals == 0);
    if (result.kind == RegistrationKind::PasswordRequested) {
      FUZZ_CHECK(++calls->passwordRequests == 1);
      challenge_ = result.challengeSequence;
      seed_ = result.seed;
      if (reentrant_)
        protocol_->SendPassword(challenge_, "secret", seed_);
      return;
    }
    Final(*calls);
    if (result.kind == RegistrationKind::Accepted)
      acceptedCounts_ = {result.lineTargetCount, result.routeCount, result.filterCount};
  };
}

RouterProtocol::ScanCallback RouterProtocolHarness::Impl::ScanReply() {
  auto calls = std::make_shared<Calls>();
  return [calls](const ScanAnswer& answer) {
    FUZZ_CHECK(calls->finals == 0);
    if (answer.end)
      Final(*calls);
  };
}

RouterProtocol::OverviewCallback RouterProtocolHarness::Impl::OverviewReply() {
  auto calls = std::make_shared<Calls>();
  return [calls](const OverviewAnswer& answer) {
    FUZZ_CHECK(calls->finals == 0);
    if (answer.end)
      Final(*calls);
  };
}

RouterProtocol::LineStatusCallback RouterProtocolHarness::Impl::LineMonitor() {
  return [](const LineStatus& status) {
    for (const ChannelStatus& channel : status.channels)
      FUZZ_CHECK(channel.state >= 0 && channel.state <= 5);
  };
}

RouterProtocol::DoneCallback RouterProtocolHarness::Impl::Done() {
  auto calls = std::make_shared<Calls>();
  return [this, calls] {
    Final(*calls);
    Reenter();
  };
}

void RouterProtocolHarness::Impl::StartRead(std::uint8_t kind, int count) {
  int lineTargets = count, routes = count, filters = count;
  if (count < 0) {
    lineTargets = acceptedCounts_[0];
    routes = acceptedCounts_[1];
    filters = acceptedCounts_[2];
  }
  auto calls = std::make_shared<Calls>();
  switch (kind % 4) {
    case 0:
      protocol_->ReadLineTargets(
          [this, calls, lineTargets](LineTargetList& list) {
            Final(*calls);
            CheckRead(list, lineTargets);
            Reenter();
          },
          lineTargets);
      break;
    case 1:
      protocol_->ReadRoutes(
          [this, calls, routes](RouteList& list) {
            Final(*calls);
            CheckRead(list, routes);
            Reenter();
          },
          routes);
      break;
    case 2:
      protocol_->ReadFilters(
          [this, calls, filters](FilterList& list) {
            Final(*calls);
            CheckReadFilters(list, filters);
            Reenter();
          },
          filters);
      break;
    default:
      protocol_->ReadConfiguration(
          lineTargets, routes, filters,
          [this, calls, lineTargets, routes, filters](Configuration& configuration) {
            Final(*calls);
            CheckRead(configuration.lineTargets, lineTargets);
            CheckRead(configuration.routes, routes);
            CheckReadFilters(configuration.filters, filters);
            Reenter();
          });
      break;
  }
}

RouterProtocol::CountCallback RouterProtocolHarness::Impl::WriteDone(int expected) {
  auto calls = std::make_shared<Calls>();
  return [this, calls, expected](int sent) {
    Final(*calls);
    FUZZ_CHECK(sent == expected);
    Reenter();
  };
}

// The lists live only during the call: the protocol must work on copies.
void RouterProtocolHarness::Impl::StartWrite(std::uint8_t kind, std::uint8_t shape) {
  const int saved = shape % 4;
  const int edited = (shape >> 2) % 4;
  const int salt = (shape >> 4) % 4;
  LineTargetList savedTargets = LineTargets(saved, 0), editedTargets = LineTargets(edited, salt);
  RouteList savedRoutes = Routes(saved, 0), editedRoutes = Routes(edited, salt);
  FilterList savedFilters = Filters(saved, 0), editedFilters = Filters(edited, salt);
  switch (kind % 4) {
    case 0: {
      int expected = ChangeCount(editedTargets, savedTargets);
      protocol_->WriteLineTargets(WriteDone(expected), editedTargets, savedTargets);
      break;
    }
    case 1: {
      int expected = ChangeCount(editedRoutes, savedRoutes);
      protocol_->WriteRoutes(WriteDone(expected), editedRoutes, savedRoutes);
      break;
    }
    case 2: {
      int expected = ChangeCount(editedFilters, savedFilters);
      protocol_->WriteFilters(WriteDone(expected), editedFilters, savedFilters);
      break;
    }
    default: {
      // Without the route list (kind bit 4), or without the saved filters.
      const bool withRoutes = (kind & 0x10) == 0;
      const bool withSavedFilters = (kind & 0x20) == 0;
      const FilterList noFilters = NewFilterList();
      int expected = ChangeCount(editedTargets, savedTargets);
      if (withRoutes)
        expected += ChangeCount(editedRoutes, savedRoutes);
      expected += ChangeCount(editedFilters, withSavedFilters ? savedFilters : noFilters);
      protocol_->WriteConfiguration(
          editedTargets, savedTargets, withRoutes ? &editedRoutes : nullptr, &savedRoutes,
          &editedFilters, withSavedFilters ? &savedFilters : nullptr, WriteDone(expected));
      break;
    }
  }
}

void RouterProtocolHarness::Impl::StartAccounting(std::uint8_t reset, int count) {
  const LineTargetList targets = LineTargets(count, 0);
  auto calls = std::make_shared<Calls>();
  auto done = [this, calls, count](LineTargetList& list) {
    Final(*calls);
    FUZZ_CHECK(list.count() == count);
    Reenter();
  };
  if (reset & 1)
    protocol_->ReadAndResetAccounting(done, &targets);
  else
    protocol_->ReadAccounting(done, &targets);
}

void RouterProtocolHarness::Impl::ChangePassword(std::uint8_t exclusive) {
  protocol_->ChangePassword(Done(), "newpass", "secret", (exclusive & 1) != 0);
}

RouterParameters RouterProtocolHarness::Impl::Parameters(std::uint8_t exclusive) const {
  RouterParameters parameters;
  parameters.name = (exclusive & 2) ? "router.example" : "10.0.0.10";
  parameters.netmask = "255.255.255.0";
  parameters.phoneNumber = "0301234";
  parameters.dChannelProtocol = 1;
  parameters.firmwareVersion = "2.10";
  parameters.password = "secret";
  parameters.exclusiveToThisHost = exclusive & 1;
  return parameters;
}

void RouterProtocolHarness::Impl::WriteParameters(std::uint8_t exclusive) {
  protocol_->WriteRouterParameters(Done(), Parameters(exclusive));
}

void RouterProtocolHarness::Impl::EnterLoader() {
  auto calls = std::make_shared<Calls>();
  protocol_->EnterLoader(kRouterHardware, [calls](const ScanAnswer& loader) {
    Final(*calls);
    FUZZ_CHECK(loader.hardwareAddress == kRouterHardware && loader.routerAddress == 0);
  });
}

RouterProtocol::ScanCallback RouterProtocolHarness::Impl::DownloadDone(const CallsPointer& calls) {
  return [calls](const ScanAnswer&) {
    Final(*calls);
    FUZZ_CHECK(calls->saw100);
  };
}

RouterProtocol::ProgressCallback RouterProtocolHarness::Impl::Progress(const CallsPointer& calls) {
  return [calls](int percent) {
    FUZZ_CHECK(calls->finals == 0);
    FUZZ_CHECK(percent >= 0 && percent <= 100 && percent >= calls->lastPercent);
    calls->lastPercent = percent;
    calls->saw100 = calls->saw100 || percent == 100;
  };
}

void RouterProtocolHarness::Impl::StartDownload(std::size_t size) {
  Bytes image(size);
  for (std::size_t i = 0; i < size; ++i)
    image[i] = static_cast<std::uint8_t>(i * 13 + 1);
  auto calls = std::make_shared<Calls>();
  protocol_->StartDownload(DownloadDone(calls), std::move(image), kRouterHardware, kRouterAddress,
                           Progress(calls));
}

void RouterProtocolHarness::Impl::DownloadFirmware(std::uint8_t lists) {
  const LineTargetList targets = LineTargets(2, 0);
  const RouteList routes = Routes(2, 0);
  const FilterList filters = Filters(1, 0);
  auto calls = std::make_shared<Calls>();
  const bool started = protocol_->DownloadFirmware(
      kRouterHardware, Parameters(lists >> 2), (lists & 1) ? &targets : nullptr,
      (lists & 2) ? &routes : nullptr, (lists & 2) ? &filters : nullptr, DownloadDone(calls),
      Progress(calls));
  FUZZ_CHECK(started);
}

}  // namespace tarcfg::fuzz
