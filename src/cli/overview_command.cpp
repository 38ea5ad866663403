// SPDX-License-Identifier: GPL-3.0-or-later
#include <iostream>
#include <map>

#include "cli/cli_text.h"
#include "cli/json_writer.h"
#include "cli/overview_command.h"
#include "cli/session.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::cli {

void OverviewCommand::AddOptions(QCommandLineParser& parser) {
  parser.addOption({"json", CliText::tr("Print a JSON array.")});
}

int OverviewCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  if (!context.LoadProtocolDefinitions())
    return kExitFile;
  RouterSession session(context);
  const auto scanned = session.OpenAndScan();
  if (!scanned)
    return kExitRefused;
  const auto& routers = *scanned;

  // Only the first answer of each router counts, matched by its name text.
  std::map<std::string, OverviewAnswer> answers;
  bool ended = false;
  session.protocol().QueryRouterOverview([&](const OverviewAnswer& answer) {
    if (answer.end) {
      ended = true;
      return;
    }
    answers.emplace(context.addresses().FormatAddress(answer.routerAddress), answer);
  });
  if (!session.RunUntil([&] { return ended; }, 30))
    return kExitRefused;

  const bool json = parser.isSet("json");
  std::string text;
  std::vector<std::string> items;
  for (const auto& router : routers) {
    auto it = answers.find(router.displayName);
    if (json) {
      JsonObject item;
      item.Add("hardwareAddress", router.hardwareAddress)
          .Add("name", router.displayName)
          .AddBool("responded", it != answers.end());
      if (it != answers.end()) {
        const OverviewAnswer& a = it->second;
        std::vector<std::string> channels;
        for (const auto& ch : a.channels)
          channels.push_back(
              JsonObject()
                  .Add("state", ch.state)
                  .Add("stateText", ChannelStateText(ch.state))
                  .Add("remoteAddress", context.addresses().FormatAddress(ch.remoteAddress))
                  .Add("remoteName", ch.remoteName)
                  .str());
        item.Add("firmware", a.firmwareVersion)
            .Add("dChannelProtocol", DChannelProtocolName(a.dChannelProtocol))
            .Add("permanentConnection", a.permanentConnection)
            .AddRaw("channels", JsonInlineArray(channels));
      }
      items.push_back(item.str());
      continue;
    }
    if (it == answers.end()) {
      text += FormatString(1010, router.hardwareAddress.c_str());
      continue;
    }
    const OverviewAnswer& a = it->second;
    std::string channels[2];
    for (std::size_t c = 0; c < 2; ++c)
      channels[c] = OverviewChannelText(
          a.channels[c].state, context.addresses().FormatAddress(a.channels[c].remoteAddress),
          a.channels[c].remoteName);
    text += FormatString(
        1009, router.displayName.c_str(),
        FirmwareText(a.firmwareVersion, a.dChannelProtocol, a.permanentConnection).c_str(),
        channels[0].c_str(), channels[1].c_str());
  }
  if (json) {
    std::cout << JsonArrayLines(items);
  } else {
    if (routers.empty())
      text = std::string(LoadString(1016)) + "\n";
    std::cout << UnixLineEnds(text);
  }
  return kExitOk;
}

}  // namespace tarcfg::cli
