// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/shell_context.h"

#include <filesystem>
#include <memory>
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
  stateDirectory = StateDirectory(workingDirectory);
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

WritePlan ShellContext::PlanWrite() const {
  if (!configuration || !savedConfiguration)
    return WritePlan{};
  return PlanConfigurationWrite(*configuration, *savedConfiguration);
}

void ShellContext::WriteConfiguration(std::function<void(bool confirmed)> ended) {
  if (!protocol || !configuration || !savedConfiguration || writeEnded_)
    return;
  writeEnded_ = std::move(ended);
  const std::uint64_t run = ++writeRun_;
  if (configurationWriteChanged)
    configurationWriteChanged();
  Configuration& work = *configuration;
  // What the router will hold once the write is confirmed, numbered as the
  // write numbers it.
  NumberTablePositions(work.lineTargets);
  NumberTablePositions(work.routes);
  NumberTablePositions(work.filters);
  writePlan_ = PlanWrite();
  writeFailureReport_.clear();
  auto written = std::make_shared<Configuration>(work.Clone());
  protocol->WriteConfiguration(writePlan_, [this, run, written](int) {
    if (run != writeRun_ || !writeEnded_)
      return;
    if (configuration) {
      configuration = written->Clone();
      savedConfiguration = written->Clone();
    }
    EndConfigurationWrite(true);
  });
  // Nothing went out and nothing will (the chain did not start).
  if (run == writeRun_ && writeEnded_ && !protocol->chainRunning())
    EndConfigurationWrite(false);
}

void ShellContext::CheckConfigurationWrite() {
  if (writeEnded_ && !(protocol && protocol->chainRunning()))
    EndConfigurationWrite(false);
}

void ShellContext::EndConfigurationWrite(bool confirmed) {
  std::function<void(bool)> ended = std::move(writeEnded_);
  writeEnded_ = nullptr;
  writeFailureReport_.clear();
  if (!confirmed && protocol)
    writeFailureReport_ = DescribeWriteFailure(writePlan_, protocol->writeProgress(), planTexts());
  if (ended)
    ended(confirmed);
  if (configurationWriteChanged)
    configurationWriteChanged();
}

bool ShellContext::RequestInProgress() const {
  return configurationWriteOutstanding() ||
         (protocol && (protocol->requestOutstanding() || protocol->chainRunning()));
}

std::string ShellContext::SelectedRouterName() const {
  if (routers && selected.selectedIndex > 0)
    if (const RouterEntry* entry = routers->NodeAt(selected.selectedIndex))
      return entry->displayName;
  return selected.routerAddressText;
}

}  // namespace tarcfg
