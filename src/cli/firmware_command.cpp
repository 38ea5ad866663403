// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <iostream>

#include "cli/cli_text.h"
#include "cli/firmware_command.h"
#include "cli/history_support.h"
#include "cli/router_fields.h"
#include "cli/session.h"
#include "config/firmware_files.h"
#include "config/firmware_plan.h"
#include "config/operating_modes.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

void PrintProgress(int percent) {
  if (!::isatty(STDERR_FILENO))
    return;
  const int width = 40;
  const int filled = percent * width / 100;
  std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(width - filled), ' ') << "] " << percent << "%"
            << std::flush;
  if (percent >= 100)
    std::cerr << "\n" << LoadString(1015) << "\n";
}

}  // namespace

QString FirmwareCommand::synopsis() const {
  return QString::fromStdString("ROUTER [--mode " + OperatingModeNames("|", "|") +
                                "] [--version V] [--ip A] [--netmask M] [--phone P] "
                                "[--drop-unknown-protocols] [--no-history]");
}

void FirmwareCommand::AddOptions(QCommandLineParser& parser) {
  RouterCommand::AddOptions(parser);
  parser.addOption({"mode",
                    CliText::tr("Operating mode: %1.")
                        .arg(QString::fromStdString(OperatingModeNames(", ", " or "))),
                    "MODE"});
  parser.addOption(
      {"version", CliText::tr("Firmware version (default: the newest for the mode)."), "V"});
  AddRouterFieldOptions(parser);
  parser.addOption(
      {"drop-unknown-protocols",
       CliText::tr("Download even when line targets have protocols the tables lack; they are "
                   "left out of the router (the history keeps them).")});
  AddNoHistoryOption(parser);
}

HookResult FirmwareCommand::CheckOptions(CliContext&, const QCommandLineParser& parser) {
  if (parser.isSet("mode") && !FindOperatingMode(parser.value("mode").toStdString())) {
    PrintError("tarcfg-cli firmware: " +
               Say(CliText::tr("unknown mode %1").arg(parser.value("mode"))));
    return HookResult::Exit(kExitUsage);
  }
  return HookResult::Continue();
}

bool FirmwareCommand::NeedsHardwareAddress(CliContext&, const QCommandLineParser&) {
  return true;
}

HookResult FirmwareCommand::Resolved(RouterSession& session, const QCommandLineParser& parser) {
  if (session.target().address != 0)
    return HookResult::Continue();
  if (!parser.isSet("ip")) {
    PrintError("tarcfg-cli firmware: " +
               Say(CliText::tr("the router has no IP address yet; give it one with --ip")));
    return HookResult::Exit(kExitUsage);
  }
  session.current() = RouterParameters{};
  session.current().dChannelProtocol = 255;  // not known
  return HookResult::WithoutRegistration();
}

int FirmwareCommand::ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) {
  CliContext& context = session.context();
  const OperatingModeEntry* mode =
      parser.isSet("mode") ? FindOperatingMode(parser.value("mode").toStdString()) : nullptr;
  const RouterSession::Target* target = &session.target();
  const bool loader = target->address == 0;
  RouterParameters current = session.current();
  RouterParameters pending = current;
  if (!CheckRouterFields(context, parser, pending, true))
    return kExitUsage;
  if (mode) {
    pending.permanentConnection = static_cast<std::uint8_t>(mode->permanentConnection);
    if (mode->dChannelProtocol != kKeepDChannelProtocol)
      pending.dChannelProtocol = static_cast<std::uint8_t>(mode->dChannelProtocol);
  }
  if (pending.dChannelProtocol == 255 && (!mode || mode->dChannelProtocol == kKeepDChannelProtocol))
    pending.dChannelProtocol = 1;
  const std::string directory = context.settings().firmwarePath;
  std::string version = parser.value("version").toStdString();
  if (version.empty())
    version = NewestFirmwareVersion(directory, pending.dChannelProtocol);
  if (version.empty()) {
    PrintError(
        Problem(directory,
                Say(CliText::tr("no %1* file")
                        .arg(QString::fromStdString(FirmwarePrefix(pending.dChannelProtocol))))));
    return kExitFile;
  }
  pending.firmwareVersion = version;

  const FirmwareDownloadPlan plan =
      PlanFirmwareDownload(current, pending, loader, &session.configuration(), context.tables());
  // Line targets the image cannot carry are never left out unless asked for.
  if (!plan.leftOut.empty() && !parser.isSet("drop-unknown-protocols")) {
    std::string text =
        "tarcfg-cli firmware: " +
        Say(CliText::tr("the router's tables lack the protocols of these line targets; the "
                        "download would leave them out:")) +
        "\n";
    for (const std::string& line : plan.leftOut)
      text += "  " + line + "\n";
    text +=
        Say(CliText::tr("Nothing was sent. --drop-unknown-protocols downloads without them (the "
                        "history keeps them with their protocol definitions)."));
    PrintError(text);
    return kExitRefused;
  }
  // A router in its loader has told nothing that could be kept.
  if (!plan.historyLines.empty() &&
      !KeepHistoryBeforeWrite(session, parser, "tarcfg-cli firmware", plan.historyLines))
    return kExitFile;
  const Configuration* tables = plan.configuration;
  bool finished = false;
  ScanAnswer announced;
  const bool started = session.protocol().DownloadFirmware(
      target->hardwareAddress, pending, tables ? &tables->lineTargets : nullptr,
      tables ? &tables->routes : nullptr, tables ? &tables->filters : nullptr,
      [&](const ScanAnswer& answer) {
        announced = answer;
        finished = true;
      },
      PrintProgress);
  if (!started) {
    PrintError(LoadString(40109));
    return kExitFile;
  }
  // The download restarts the router; it ends the registration itself.
  session.LeaveRegistered();
  if (::isatty(STDERR_FILENO))
    std::cerr << LoadString(1013) << "\n";
  if (!session.RunUntil([&] { return finished; }, 1800))
    return kExitRefused;
  if (announced.end)
    return kExitRefused;
  std::cout << FormatRouterLine(context.addresses(), announced.routerAddress,
                                announced.hardwareAddress, announced.registeredHost,
                                context.settings().ownAddress)
            << "\n";
  return kExitOk;
}

}  // namespace tarcfg::cli
