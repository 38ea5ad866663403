// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QSaveFile>
#include <cstdlib>
#include <iostream>

#include "cli/cli_text.h"
#include "cli/json_writer.h"
#include "cli/scan_command.h"
#include "cli/session.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

std::string AddressOrNull(std::uint32_t address) {
  return address ? JsonString(DottedQuad(address)) : std::string("null");
}

// Remembers the routers of a scan for the shell's completion of router
// arguments: $XDG_CACHE_HOME/tarcfg/routers, one "hardware address<TAB>name"
// line each. Only a cache: nothing fails when it cannot be written.
void CacheScan(const std::vector<FoundRouter>& routers) {
  std::string directory;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
    directory = cache;
  else if (const char* home = std::getenv("HOME"); home && *home)
    directory = std::string(home) + "/.cache";
  else
    return;
  directory += "/tarcfg";
  if (!QDir().mkpath(QString::fromStdString(directory)))
    return;
  std::string text;
  for (const auto& r : routers)
    text += r.hardwareAddress + "\t" + r.displayName + "\n";
  QSaveFile file(QString::fromStdString(directory + "/routers"));
  if (file.open(QIODevice::WriteOnly)) {
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.commit();
  }
}

}  // namespace

void ScanCommand::AddOptions(QCommandLineParser& parser) {
  parser.addOption({"json", CliText::tr("Print a JSON array.")});
}

int ScanCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  if (!context.LoadProtocolDefinitions())
    return kExitFile;
  RouterSession session(context);
  const auto scanned = session.OpenAndScan();
  if (!scanned)
    return kExitRefused;
  const auto& routers = *scanned;
  CacheScan(routers);
  const std::uint32_t own = context.settings().ownAddress;
  if (parser.isSet("json")) {
    std::vector<std::string> items;
    for (const auto& r : routers) {
      const bool held = r.answer.registeredHost != 0 && r.answer.registeredHost != own;
      items.push_back(JsonObject()
                          .Add("hardwareAddress", r.hardwareAddress)
                          .Add("name", r.displayName)
                          .AddRaw("address", AddressOrNull(r.answer.routerAddress))
                          .AddRaw("registeredHost", AddressOrNull(r.answer.registeredHost))
                          .AddBool("heldByOther", held)
                          .str());
    }
    std::cout << JsonArrayLines(items);
    return kExitOk;
  }
  if (routers.empty())
    std::cout << LoadString(1016) << "\n";
  for (const auto& r : routers)
    std::cout << r.line << "\n";
  return kExitOk;
}

}  // namespace tarcfg::cli
