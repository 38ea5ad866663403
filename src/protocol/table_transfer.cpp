// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the router's tables entry by entry, writing back the differences
// and reading the accounting counters.
#include "protocol/table_transfer.h"

#include "protocol/protocol_context.h"

namespace tarcfg::protocol {

namespace {

inline constexpr std::size_t kTableAnswerMinimum = 5;
inline constexpr std::size_t kWriteAnswerMinimum = 7;
inline constexpr std::size_t kAccountingLength = 32;
inline constexpr std::uint8_t kReadOnly = 0x00;
inline constexpr std::uint8_t kReadAndReset = 0xFF;

template <class Record>
std::vector<Bytes> EncodePlanned(const std::vector<PlannedChange<Record>>& planned,
                                 const WireContext& wire) {
  std::vector<Bytes> messages;
  messages.reserve(planned.size());
  for (const auto& entry : planned)
    messages.push_back(EncodeTableChange(entry.change, wire));
  return messages;
}

template <class Record>
std::vector<Bytes> EncodeChanges(const RecordList<Record>& edited, const RecordList<Record>& saved,
                                 const WireContext& wire) {
  return EncodePlanned(PlanTableWrite(edited, saved), wire);
}

}  // namespace

// --- Reading -------------------------------------------------------------

void TableTransfer::ReadLineTargets(LineTargetsCallback done, int count) {
  transfer_ = TransferState{};
  transfer_.lineTargetsDone = std::move(done);
  StartTableRead(kLineTargetTable, count);
}

void TableTransfer::ReadRoutes(RoutesCallback done, int count) {
  transfer_ = TransferState{};
  transfer_.routesDone = std::move(done);
  StartTableRead(kRouteTable, count);
}

void TableTransfer::ReadFilters(FiltersCallback done, int count) {
  transfer_ = TransferState{};
  transfer_.filtersDone = std::move(done);
  StartTableRead(kFilterTable, count);
}

void TableTransfer::StartTableRead(std::uint8_t type, int count) {
  transfer_.kind = TransferKind::Read;
  transfer_.tableType = type;
  transfer_.count = count;
  transfer_.expectedIndex = 0;
  if (count <= 0) {
    FinishTableRead();
    return;
  }
  SendReadRequest();
}

void TableTransfer::SendReadRequest() {
  const auto index = static_cast<std::uint16_t>(transfer_.expectedIndex);
  const std::uint8_t payload[3] = {transfer_.tableType, static_cast<std::uint8_t>(index >> 8),
                                   static_cast<std::uint8_t>(index & 0xFF)};
  context_.expectedAnswer = command::kTableEntry;
  context_.state = ProtocolState::Transferring;
  context_.Send(context_.registered, command::kReadTableEntry, payload, true);
}

void TableTransfer::FinishTableRead() {
  if (context_.state == ProtocolState::Transferring)
    context_.state = ProtocolState::Registered;
  context_.expectedAnswer = 0;
  TransferState finished = std::move(transfer_);
  transfer_ = TransferState{};
  switch (finished.tableType) {
    case kLineTargetTable:
      if (finished.lineTargetsDone)
        finished.lineTargetsDone(finished.lineTargets);
      break;
    case kRouteTable:
      if (finished.routesDone)
        finished.routesDone(finished.routes);
      break;
    default:
      // A filter list from the router always ends with a default entry.
      EnsureDefaultFilter(finished.filters);
      if (finished.filtersDone)
        finished.filtersDone(finished.filters);
      break;
  }
}

int TableTransfer::OnTableEntry(std::uint32_t sender, std::span<const std::uint8_t> payload) {
  if (payload.size() < kTableAnswerMinimum)
    return kResultMalformed;
  if (context_.state == ProtocolState::Idle)
    return kResultHandled;
  if (context_.state != ProtocolState::Transferring)
    return sender == context_.registered ? kResultUnexpected : kResultHandled;
  if (context_.expectedAnswer != command::kTableEntry || transfer_.kind != TransferKind::Read ||
      payload[2] != transfer_.tableType)
    return kResultMalformed;
  context_.state = ProtocolState::Registered;
  int index = WireReader(payload, 3).U16();
  if (index == transfer_.expectedIndex) {
    switch (transfer_.tableType) {
      case kLineTargetTable: {
        LineTarget target = DecodeLineTarget(payload, context_.wire());
        if (HasEntry(target))
          transfer_.lineTargets.Append(std::move(target));
        break;
      }
      case kRouteTable: {
        RouteEntry route = DecodeRoute(payload, context_.addresses);
        if (HasEntry(route))
          transfer_.routes.Append(std::move(route));
        break;
      }
      default: {
        FilterEntry filter = DecodeFilter(payload, context_.addresses);
        if (HasEntry(filter))
          transfer_.filters.Append(std::move(filter));
        break;
      }
    }
    ++transfer_.expectedIndex;
  }
  // The next request goes out at once: a read runs at the speed of the link.
  if (transfer_.expectedIndex < transfer_.count)
    SendReadRequest();
  else
    FinishTableRead();
  return kResultHandled;
}

void TableTransfer::ReadConfiguration(int lineTargetCount, int routeCount, int filterCount,
                                      ConfigurationCallback done) {
  chain_ = ConfigurationChain{};
  chain_.routeCount = routeCount;
  chain_.filterCount = filterCount;
  chain_.readDone = std::move(done);
  ReadLineTargets(
      [this](LineTargetList& lineTargets) {
        chain_.read.lineTargets = std::move(lineTargets);
        ReadRoutes(
            [this](RouteList& routes) {
              chain_.read.routes = std::move(routes);
              ReadFilters(
                  [this](FilterList& filters) {
                    chain_.read.filters = std::move(filters);
                    ConfigurationCallback readDone = std::move(chain_.readDone);
                    Configuration configuration = std::move(chain_.read);
                    chain_ = ConfigurationChain{};
                    if (readDone)
                      readDone(configuration);
                  },
                  chain_.filterCount);
            },
            chain_.routeCount);
      },
      lineTargetCount);
}

// --- Writing -------------------------------------------------------------

void TableTransfer::StartTableWrite(std::uint8_t type, std::vector<Bytes> messages,
                                    CountCallback done) {
  transfer_ = TransferState{};
  transfer_.kind = TransferKind::Write;
  transfer_.tableType = type;
  transfer_.messages = std::move(messages);
  transfer_.countDone = std::move(done);
  WriteStep();
}

void TableTransfer::WriteStep() {
  if (transfer_.next >= transfer_.messages.size()) {
    int sent = static_cast<int>(transfer_.messages.size());
    CountCallback done = std::move(transfer_.countDone);
    transfer_ = TransferState{};
    context_.expectedAnswer = 0;
    if (done)
      done(sent);
    return;
  }
  context_.expectedAnswer = command::kTableEntryWritten;
  context_.state = ProtocolState::Transferring;
  progress_.next = WriteProgress::Next::kUnanswered;
  const Bytes& message = transfer_.messages[transfer_.next++];
  context_.Send(context_.registered, command::kWriteTableEntry, message, true);
}

int TableTransfer::OnTableEntryWritten(std::uint32_t sender,
                                       std::span<const std::uint8_t> payload) {
  if (payload.size() < kWriteAnswerMinimum)
    return kResultMalformed;
  if (context_.state == ProtocolState::Idle)
    return kResultHandled;
  if (context_.state != ProtocolState::Transferring)
    return sender == context_.candidate ? kResultUnexpected : kResultHandled;
  if (context_.expectedAnswer != command::kTableEntryWritten ||
      transfer_.kind != TransferKind::Write || payload[2] != transfer_.tableType)
    return kResultMalformed;
  context_.state = ProtocolState::Registered;
  int status = WireReader(payload, 5).U16();
  if (status == kResultHandled) {
    ++progress_.confirmed;
    progress_.next = WriteProgress::Next::kNotSent;
    WriteStep();
    return kResultHandled;
  }
  // Any status stops the chain; 11 and 12 keep the registration.
  progress_.next = WriteProgress::Next::kRefused;
  transfer_ = TransferState{};
  chain_ = ConfigurationChain{};
  context_.expectedAnswer = 0;
  return status;
}

void TableTransfer::WriteLineTargets(CountCallback done, LineTargetList& edited,
                                     const LineTargetList& saved) {
  NumberTablePositions(edited);
  std::vector<Bytes> messages = EncodeChanges(edited, saved, context_.wire());
  progress_ = WriteProgress{messages.size()};
  StartTableWrite(kLineTargetTable, std::move(messages), std::move(done));
}

void TableTransfer::WriteRoutes(CountCallback done, RouteList& edited, const RouteList& saved) {
  NumberTablePositions(edited);
  std::vector<Bytes> messages = EncodeChanges(edited, saved, context_.wire());
  progress_ = WriteProgress{messages.size()};
  StartTableWrite(kRouteTable, std::move(messages), std::move(done));
}

void TableTransfer::WriteFilters(CountCallback done, FilterList& edited, const FilterList& saved) {
  NumberTablePositions(edited);
  std::vector<Bytes> messages = EncodeChanges(edited, saved, context_.wire());
  progress_ = WriteProgress{messages.size()};
  StartTableWrite(kFilterTable, std::move(messages), std::move(done));
}

void TableTransfer::WriteConfiguration(LineTargetList& editedLineTargets,
                                       const LineTargetList& savedLineTargets,
                                       RouteList* editedRoutes, const RouteList* savedRoutes,
                                       FilterList* editedFilters, const FilterList* savedFilters,
                                       CountCallback done) {
  WritePlan plan;
  NumberTablePositions(editedLineTargets);
  plan.lineTargets = PlanTableWrite(editedLineTargets, savedLineTargets);
  if (editedRoutes) {
    NumberTablePositions(*editedRoutes);
    const RouteList empty = NewRouteList();
    plan.routes = PlanTableWrite(*editedRoutes, savedRoutes ? *savedRoutes : empty);
  }
  if (editedFilters) {
    NumberTablePositions(*editedFilters);
    const FilterList empty = NewFilterList();
    plan.filters = PlanTableWrite(*editedFilters, savedFilters ? *savedFilters : empty);
  }
  WriteConfiguration(plan, std::move(done));
}

void TableTransfer::WriteConfiguration(const WritePlan& plan, CountCallback done) {
  // Every message is worked out now: the chain keeps no reference to the
  // plan or the caller's lists.
  chain_ = ConfigurationChain{};
  chain_.writeDone = std::move(done);
  chain_.routeMessages = EncodePlanned(plan.routes, context_.wire());
  chain_.filterMessages = EncodePlanned(plan.filters, context_.wire());
  progress_ = WriteProgress{plan.size()};
  StartTableWrite(kLineTargetTable, EncodePlanned(plan.lineTargets, context_.wire()),
                  [this](int sent) { ContinueConfigurationWrite(sent); });
}

void TableTransfer::ContinueConfigurationWrite(int sent) {
  chain_.written += sent;
  ++chain_.stage;
  if (chain_.stage == 1) {
    StartTableWrite(kRouteTable, std::move(chain_.routeMessages),
                    [this](int n) { ContinueConfigurationWrite(n); });
    return;
  }
  if (chain_.stage == 2) {
    StartTableWrite(kFilterTable, std::move(chain_.filterMessages),
                    [this](int n) { ContinueConfigurationWrite(n); });
    return;
  }
  int total = chain_.written;
  CountCallback done = std::move(chain_.writeDone);
  chain_ = ConfigurationChain{};
  if (done)
    done(total);
}

// --- Accounting ----------------------------------------------------------

void TableTransfer::ReadAccounting(bool reset, LineTargetsCallback done,
                                   const LineTargetList* lineTargets) {
  if (lineTargets == nullptr || lineTargets->empty()) {
    LineTargetList empty = lineTargets ? lineTargets->Clone() : NewLineTargetList();
    if (done)
      done(empty);
    return;
  }
  transfer_ = TransferState{};
  transfer_.kind = TransferKind::Accounting;
  transfer_.operation = reset ? kReadAndReset : kReadOnly;
  transfer_.lineTargets = lineTargets->Clone();
  transfer_.count = transfer_.lineTargets.count();
  transfer_.expectedIndex = 0;
  transfer_.lineTargetsDone = std::move(done);
  SendAccountingRequest();
}

void TableTransfer::SendAccountingRequest() {
  WireWriter payload;
  payload.U8(transfer_.operation).U16(static_cast<std::uint16_t>(transfer_.expectedIndex));
  context_.expectedAnswer = command::kAccountingEntry;
  context_.state = ProtocolState::Transferring;
  context_.Send(context_.registered, command::kReadAccounting, payload.bytes(), true);
}

int TableTransfer::OnAccountingEntry(std::span<const std::uint8_t> payload) {
  if (context_.state == ProtocolState::Idle)
    return kResultHandled;
  if (context_.state != ProtocolState::Transferring)
    return kResultUnexpected;
  if (payload.size() < kAccountingLength)
    return kResultMalformed;
  if (context_.expectedAnswer != command::kAccountingEntry ||
      transfer_.kind != TransferKind::Accounting)
    return kResultMalformed;
  context_.state = ProtocolState::Registered;
  WireReader in(payload, 4);
  if (LineTarget* target = transfer_.lineTargets.NodeAt(transfer_.expectedIndex + 1)) {
    for (auto& counter : target->accountingCounters)
      counter = in.U32();
  }
  ++transfer_.expectedIndex;
  if (transfer_.expectedIndex < transfer_.count) {
    SendAccountingRequest();
    return kResultHandled;
  }
  context_.expectedAnswer = 0;
  TransferState finished = std::move(transfer_);
  transfer_ = TransferState{};
  if (finished.lineTargetsDone)
    finished.lineTargetsDone(finished.lineTargets);
  return kResultHandled;
}

void TableTransfer::Clear() {
  transfer_ = TransferState{};
  chain_ = ConfigurationChain{};
}

}  // namespace tarcfg::protocol
