// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/shell_context.h"

#include <filesystem>
#include <system_error>

namespace tarcfg {

RouterEntryList NewRouterEntryList() {
  return RouterEntryList(
      [](const RouterEntry& a, const RouterEntry& b) {
        return a.displayName == b.displayName && a.hardwareAddress == b.hardwareAddress ? 0 : -1;
      },
      [](const RouterEntry& entry, std::string_view key) { return entry.displayName == key; });
}

ShellContext::ShellContext(NetDatabase& netDatabase, MessageBoxes& messageBoxes)
    : database(netDatabase), messages(messageBoxes), addresses(netDatabase) {
  std::error_code error;
  workingDirectory = std::filesystem::current_path(error).string();
}

// The protocol refers to the socket, so it goes first.
ShellContext::~ShellContext() {
  protocol.reset();
  socket.reset();
}

void ShellContext::CreateProtocol(std::unique_ptr<DatagramSocket> datagramSocket) {
  protocol.reset();
  socket = std::move(datagramSocket);
  protocol = std::make_unique<RouterProtocol>(*socket, settings, tables, addresses);
}

void ShellContext::FreeConfiguration() {
  configuration.reset();
  savedConfiguration.reset();
}

std::string ShellContext::SelectedRouterName() const {
  if (routers && selected.selectedIndex > 0)
    if (const RouterEntry* entry = routers->NodeAt(selected.selectedIndex))
      return entry->displayName;
  return selected.routerAddressText;
}

}  // namespace tarcfg
