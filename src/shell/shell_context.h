// SPDX-License-Identifier: GPL-3.0-or-later
// The process-wide state of the desktop application, in one object that
// the application creates once and hands to the main window and the
// dialogs; tests make fresh ones.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/address.h"
#include "config/config_file.h"
#include "config/config_history.h"
#include "config/configuration.h"
#include "config/gui_settings.h"
#include "config/net_database.h"
#include "config/record_list.h"
#include "config/records.h"
#include "config/write_plan.h"
#include "protocol/router_protocol.h"
#include "protocol/socket.h"
#include "shell/message_boxes.h"

namespace tarcfg {

// One router of the list, as the scan reported it. The overview fields are
// filled by the Router Overview window.
struct RouterEntry {
  int overviewReceived = 0;
  std::string displayName;      // address text, host name, or "---------"
  std::string hardwareAddress;  // "00-60-1a-10-00-01"
  int exclusiveToThisHost = 0;
  int channel1State = 0;
  std::string channel1Remote;
  std::string channel1Name;
  int channel2State = 0;
  std::string channel2Remote;
  std::string channel2Name;
  int overviewDChannelProtocol = 0;
  int overviewPermanentConnection = 0;
  std::string overviewFirmwareVersion;
};

// Two entries are the same router when name and hardware address agree.
using RouterEntryList = RecordList<RouterEntry>;
RouterEntryList NewRouterEntryList();

// The selected router and the registration with it.
struct SelectedRouter {
  // The router's address as requests use it. Holds whatever the list shows,
  // also a long host name.
  std::string routerAddressText;
  std::string hardwareAddressText;
  std::array<std::uint8_t, 6> hardwareAddress{};
  RouterParameters current;  // as last read from or written to the router
  RouterParameters pending;  // being written; becomes current when confirmed
  std::uint32_t lineTargetCount = 0;
  std::uint32_t routeCount = 0;
  std::uint32_t filterCount = 0;
  int selectedIndex = 0;  // list position + 1; 0 = nothing selected
};

class ShellContext {
 public:
  ShellContext(NetDatabase& database, MessageBoxes& messages);
  ShellContext(const ShellContext&) = delete;
  ShellContext& operator=(const ShellContext&) = delete;
  ~ShellContext();

  NetDatabase& database;
  MessageBoxes& messages;
  AddressService addresses;
  GuiSettings settings;
  ProtocolTables tables;
  // The working directory of the process (the fallback for the two below).
  std::string workingDirectory;
  // Where "save.cfg" goes: StateDirectory(), created when it is written.
  std::string stateDirectory;
  // Where the configuration history is kept (tests use a directory of their own).
  std::string historyDirectory = DefaultHistoryDirectory();
  // Whether this run has told the user that the history folder's git
  // repository took no commit (said once per run).
  bool historyRepositoryWarned = false;

  // The socket and the protocol on it; made by CreateProtocol once the
  // settings are known.
  std::unique_ptr<DatagramSocket> socket;
  std::unique_ptr<RouterProtocol> protocol;
  void CreateProtocol(std::unique_ptr<DatagramSocket> datagramSocket);

  SelectedRouter selected;
  std::optional<RouterEntryList> routers;  // exists once a scan has started

  // The registered router's configuration and the copies it was read or
  // last written as; empty while no configuration is loaded.
  std::optional<Configuration> configuration;
  std::optional<Configuration> savedConfiguration;
  bool undefinedProtocols = false;

  // Drops the configuration and its saved copy.
  void FreeConfiguration();
  // The selected router as the main window's list names it (its
  // displayName: an address or, with name resolving, a host name); the
  // request address when no entry is selected.
  std::string SelectedRouterName() const;
  ConfigContext configContext() { return ConfigContext{tables, addresses, database}; }

  // --- The configuration write -------------------------------------------
  // What a write of the working lists over their saved copies sends; empty
  // while no configuration is loaded.
  WritePlan PlanWrite() const;
  PlanTexts planTexts() { return PlanTexts{tables, database}; }
  // Sends the differences of the working lists from their saved copies.
  // Until the router has confirmed them configurationWriteOutstanding()
  // holds: nothing may edit the working lists and no other request may
  // start. Once confirmed, the lists as written become the working lists
  // and their saved copies, whether the window that started the write still
  // waits for it or not, and `ended` gets true. It gets false when the write
  // ends unconfirmed (see CheckConfigurationWrite); the saved copies then
  // stay the lists the router last confirmed.
  void WriteConfiguration(std::function<void(bool confirmed)> ended);
  bool configurationWriteOutstanding() const { return static_cast<bool>(writeEnded_); }
  // After a write that ended unconfirmed, before its `ended` runs: what the
  // router confirmed, what it may hold and what was never sent, entry by
  // entry (DescribeWriteFailure); empty after a confirmed write.
  const std::vector<std::string>& writeFailureReport() const { return writeFailureReport_; }
  // After an error or the end of a registration: a write the protocol no
  // longer carries has failed.
  void CheckConfigurationWrite();
  // Runs when a write starts and after every write's `ended`; the main
  // window updates its commands.
  std::function<void()> configurationWriteChanged;
  // A configuration write, a numbered request or a chain of them is in
  // progress: a request started now would be refused (8999).
  bool RequestInProgress() const;

 private:
  void EndConfigurationWrite(bool confirmed);

  std::function<void(bool)> writeEnded_;
  std::uint64_t writeRun_ = 0;
  WritePlan writePlan_;
  std::vector<std::string> writeFailureReport_;
};

}  // namespace tarcfg
