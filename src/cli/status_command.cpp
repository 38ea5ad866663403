// SPDX-License-Identifier: GPL-3.0-or-later
#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/cli_text.h"
#include "cli/json_writer.h"
#include "cli/session.h"
#include "cli/status_command.h"
#include "config/reports.h"
#include "config/stop_signals.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

std::string ChannelLine(int channel, const ChannelStatus& s) {
  const int state = NormalizeChannelState(s.state);
  char cause[8];
  std::snprintf(cause, sizeof cause, "%04X", s.cause);
  const bool idle = state == 0;
  auto text = [](const std::string& value) { return QString::fromStdString(value); };
  return Say(CliText::tr("Channel %1: %2 (%3)  remote %4  phone %5  duration %6 s  charge %7  "
                         "packets out %8 in %9")
                 .arg(QString::number(channel), text(ChannelStateText(state)), text(cause),
                      text(idle ? "---" : s.remoteAddress), text(idle ? "---" : s.phoneNumber),
                      QString::number(idle ? 0 : s.duration), QString::number(idle ? 0 : s.charge),
                      QString::number(idle ? 0 : s.packetsOut),
                      QString::number(idle ? 0 : s.packetsIn)));
}

std::string ChannelJson(int channel, const ChannelStatus& s) {
  const int state = NormalizeChannelState(s.state);
  return JsonObject()
      .Add("channel", channel)
      .Add("state", state)
      .Add("stateText", ChannelStateText(state))
      .Add("cause", s.cause)
      .Add("remoteAddress", s.remoteAddress)
      .Add("phoneNumber", s.phoneNumber)
      .Add("duration", s.duration)
      .Add("charge", s.charge)
      .Add("packetsOut", s.packetsOut)
      .Add("packetsIn", s.packetsIn)
      .str();
}

}  // namespace

void StatusCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addOption(
      {"count", CliText::tr("Reports to print (default 1; 0 = until Ctrl-C)."), "N", "1"});
  parser.addOption({"json", CliText::tr("One JSON object per report.")});
}

HookResult StatusCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  bool numeric = false;
  const int count = parser.value("count").toInt(&numeric);
  if (!numeric || count < 0) {
    PrintError("tarcfg-cli status: " + Say(CliText::tr("--count takes a number of 0 or more")));
    return HookResult::Exit(kExitUsage);
  }
  return HookResult::Continue();
}

int StatusCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  const int count = parser.value("count").toInt();
  const bool json = parser.isSet("json");
  int reports = 0;
  session.protocol().StartLineMonitor([&](const LineStatus& status) {
    ++reports;
    if (json) {
      std::cout << JsonObject()
                       .AddRaw("channels", JsonInlineArray({ChannelJson(1, status.channels[0]),
                                                            ChannelJson(2, status.channels[1])}))
                       .str()
                << "\n";
    } else {
      std::cout << ChannelLine(1, status.channels[0]) << "\n"
                << ChannelLine(2, status.channels[1]) << "\n\n";
    }
    std::cout.flush();
  });
  // Ctrl-C (any stop signal, or the reader of the output gone) ends the
  // reports; the monitor is still stopped before the deregistration.
  const bool ok = session.RunUntil(
      [&] { return StopSignals::caught() != 0 || (count > 0 && reports >= count); },
      count > 0 ? 30 + count * 5 : 1 << 30);
  if (!ok && StopSignals::caught() == 0)
    return kExitRefused;
  session.protocol().StopLineMonitor();
  session.RunWhileStopping([&] { return !session.protocol().requestOutstanding(); }, 15);
  // Deregistered even when the stop was not answered in time.
  session.ClearFailure();
  return kExitOk;
}

}  // namespace tarcfg::cli
