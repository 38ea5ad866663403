// SPDX-License-Identifier: GPL-3.0-or-later
// TableTransfer: the table chains behind RouterProtocol. It reads a table
// entry by entry, writes back the differences between an edited and a saved
// list, reads the accounting counters line target by line target, and runs
// the whole-configuration read and write on top of those. One chain runs at
// a time; each request goes out when the previous one is answered.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "config/configuration.h"
#include "config/records.h"
#include "config/write_plan.h"
#include "protocol/router_protocol.h"
#include "protocol/wire.h"

namespace tarcfg::protocol {

class ProtocolContext;

class TableTransfer {
 public:
  using LineTargetsCallback = RouterProtocol::LineTargetsCallback;
  using RoutesCallback = RouterProtocol::RoutesCallback;
  using FiltersCallback = RouterProtocol::FiltersCallback;
  using CountCallback = RouterProtocol::CountCallback;
  using ConfigurationCallback = RouterProtocol::ConfigurationCallback;

  explicit TableTransfer(ProtocolContext& context) : context_(context) {}
  TableTransfer(const TableTransfer&) = delete;
  TableTransfer& operator=(const TableTransfer&) = delete;

  void ReadLineTargets(LineTargetsCallback done, int count);
  void ReadRoutes(RoutesCallback done, int count);
  void ReadFilters(FiltersCallback done, int count);
  void ReadConfiguration(int lineTargetCount, int routeCount, int filterCount,
                         ConfigurationCallback done);

  void WriteLineTargets(CountCallback done, LineTargetList& edited, const LineTargetList& saved);
  void WriteRoutes(CountCallback done, RouteList& edited, const RouteList& saved);
  void WriteFilters(CountCallback done, FilterList& edited, const FilterList& saved);
  void WriteConfiguration(LineTargetList& editedLineTargets, const LineTargetList& savedLineTargets,
                          RouteList* editedRoutes, const RouteList* savedRoutes,
                          FilterList* editedFilters, const FilterList* savedFilters,
                          CountCallback done);
  // Sends exactly the plan's entries, line targets, routes, filters.
  void WriteConfiguration(const WritePlan& plan, CountCallback done);
  // How far the last table write got; kept after it ended, well or not,
  // until the next write starts.
  const WriteProgress& writeProgress() const { return progress_; }

  // `reset`: the router zeroes each counter it has reported.
  void ReadAccounting(bool reset, LineTargetsCallback done, const LineTargetList* lineTargets);

  // The router's answers; the results are the dispatcher's handler results.
  int OnTableEntry(std::uint32_t sender, std::span<const std::uint8_t> payload);
  int OnTableEntryWritten(std::uint32_t sender, std::span<const std::uint8_t> payload);
  int OnAccountingEntry(std::span<const std::uint8_t> payload);

  bool running() const { return transfer_.kind != TransferKind::None; }
  // Forgets every chain in progress; no final callback runs.
  void Clear();

 private:
  enum class TransferKind { None, Read, Write, Accounting };

  // The table chain in progress: one read, one write or one accounting read.
  struct TransferState {
    TransferKind kind = TransferKind::None;
    std::uint8_t tableType = 0;
    // Read
    int expectedIndex = 0;
    int count = 0;
    LineTargetList lineTargets = NewLineTargetList();
    RouteList routes = NewRouteList();
    FilterList filters = NewFilterList();
    // Write: the messages of the difference walk, and how many were sent.
    std::vector<Bytes> messages;
    std::size_t next = 0;
    // Accounting
    std::uint8_t operation = 0;
    // The table's final callbacks; only the one of the running table is set.
    LineTargetsCallback lineTargetsDone;
    RoutesCallback routesDone;
    FiltersCallback filtersDone;
    CountCallback countDone;
  };

  // The whole-configuration chains on top of the table chains.
  struct ConfigurationChain {
    Configuration read;
    int routeCount = 0;
    int filterCount = 0;
    ConfigurationCallback readDone;
    int stage = 0;  // write: 0 line targets, 1 routes, 2 filters
    int written = 0;
    std::vector<Bytes> routeMessages;
    std::vector<Bytes> filterMessages;
    CountCallback writeDone;
  };

  void StartTableRead(std::uint8_t type, int count);
  void SendReadRequest();
  void FinishTableRead();
  void StartTableWrite(std::uint8_t type, std::vector<Bytes> messages, CountCallback done);
  void WriteStep();
  void ContinueConfigurationWrite(int messages);
  void SendAccountingRequest();

  ProtocolContext& context_;
  TransferState transfer_;
  ConfigurationChain chain_;
  WriteProgress progress_;
};

}  // namespace tarcfg::protocol
