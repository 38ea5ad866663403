// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/monitor_hand_over.h"

#include <QCoreApplication>

#include "config/reports.h"
#include "config/string_table.h"
#include "monitor/monitor_events.h"

namespace tarcfg {
namespace {

// The capacities of the overview fields of a RouterEntry.
constexpr std::size_t kRemoteTextCapacity = 256;
constexpr std::size_t kRemoteNameCapacity = 20;
constexpr std::size_t kFirmwareCapacity = 10;

std::string Cut(std::string text, std::size_t capacity) {
  if (text.size() > capacity)
    text.resize(capacity);
  return text;
}

}  // namespace

void MonitorHandOver::Post(const void* buffer) {
  if (receiver_)
    QCoreApplication::postEvent(receiver_.data(), new RouterMonitorEvent(0, buffer));
}

void MonitorHandOver::OnLineStatus(const LineStatus& status) {
  lineStatus_ = status;
  Post(&lineStatus_);
}

void MonitorHandOver::OnAccountingDone(const LineTargetList& counted) {
  if (!receiver_)
    return;  // the dialog has closed; the result is dropped
  accounting_ = counted.Clone();
  Post(&accounting_);
}

void MonitorHandOver::OnOverviewAnswer(RouterEntryList* routers, AddressService& addresses,
                                       const OverviewAnswer& answer) {
  if (!receiver_)
    return;
  if (answer.end != 0) {
    Post(&overviewText_);
    return;
  }
  if (routers)
    TakeOverviewAnswer(*routers, addresses, answer);
}

void ClearOverviewFields(RouterEntryList& routers) {
  for (RouterEntry& entry : routers) {
    entry.overviewReceived = 0;
    entry.channel1State = 0;
    entry.channel2State = 0;
    entry.channel1Remote.clear();
    entry.channel2Remote.clear();
    entry.channel1Name.clear();
    entry.channel2Name.clear();
  }
}

bool TakeOverviewAnswer(RouterEntryList& routers, AddressService& addresses,
                        const OverviewAnswer& answer) {
  const std::string name = Cut(addresses.FormatAddress(answer.routerAddress), kRemoteTextCapacity);
  RouterEntry* found = nullptr;
  for (RouterEntry& entry : routers) {
    if (entry.displayName == name) {
      found = &entry;
      break;
    }
  }
  if (found == nullptr || found->overviewReceived != 0)
    return false;
  found->overviewReceived = 1;
  const OverviewChannel& one = answer.channels[0];
  const OverviewChannel& two = answer.channels[1];
  found->channel1State = one.state;
  found->channel1Remote = Cut(addresses.FormatAddress(one.remoteAddress), kRemoteTextCapacity);
  found->channel1Name = Cut(one.remoteName, kRemoteNameCapacity);
  found->channel2State = two.state;
  found->channel2Remote = Cut(addresses.FormatAddress(two.remoteAddress), kRemoteTextCapacity);
  found->channel2Name = Cut(two.remoteName, kRemoteNameCapacity);
  found->overviewDChannelProtocol = answer.dChannelProtocol;
  found->overviewPermanentConnection = answer.permanentConnection;
  found->overviewFirmwareVersion = Cut(answer.firmwareVersion, kFirmwareCapacity);
  return true;
}

std::string BuildOverviewReport(const RouterEntryList& routers) {
  std::string report;
  for (const RouterEntry& entry : routers) {
    if (entry.overviewReceived != 0) {
      const std::string firmware =
          FirmwareText(entry.overviewFirmwareVersion, entry.overviewDChannelProtocol,
                       entry.overviewPermanentConnection);
      const std::string one =
          OverviewChannelText(entry.channel1State, entry.channel1Remote, entry.channel1Name);
      const std::string two =
          OverviewChannelText(entry.channel2State, entry.channel2Remote, entry.channel2Name);
      report +=
          FormatString(1009, entry.displayName.c_str(), firmware.c_str(), one.c_str(), two.c_str());
    } else {
      report += FormatString(1010, entry.hardwareAddress.c_str());
    }
  }
  return report;
}

}  // namespace tarcfg
