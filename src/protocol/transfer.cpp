// Reading the router's tables entry by entry, writing back the differences,
// and writing the router's own parameters.
#include "router_protocol.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kTableAnswerMinimum = 5;
inline constexpr std::size_t kWriteAnswerMinimum = 7;

template <class Record>
std::vector<Bytes> EncodeChanges(const RecordList<Record>& edited, const RecordList<Record>& saved,
                                 const WireContext& wire) {
  std::vector<Bytes> messages;
  for (const auto& change : ComputeTableChanges(edited, saved))
    messages.push_back(EncodeTableChange(change, wire));
  return messages;
}

}  // namespace

// --- Reading -------------------------------------------------------------

void RouterProtocol::ReadLineTargets(LineTargetsCallback done, int count) {
  transfer_ = TransferState{};
  transfer_.lineTargetsDone = std::move(done);
  StartTableRead(kLineTargetTable, count);
}

void RouterProtocol::ReadRoutes(RoutesCallback done, int count) {
  transfer_ = TransferState{};
  transfer_.routesDone = std::move(done);
  StartTableRead(kRouteTable, count);
}

void RouterProtocol::ReadFilters(FiltersCallback done, int count) {
  transfer_ = TransferState{};
  transfer_.filtersDone = std::move(done);
  StartTableRead(kFilterTable, count);
}

void RouterProtocol::StartTableRead(std::uint8_t type, int count) {
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

void RouterProtocol::SendReadRequest() {
  const auto index = static_cast<std::uint16_t>(transfer_.expectedIndex);
  const std::uint8_t payload[3] = {transfer_.tableType, static_cast<std::uint8_t>(index >> 8),
                                   static_cast<std::uint8_t>(index & 0xFF)};
  expectedAnswer_ = command::kTableEntry;
  state_ = ProtocolState::Transferring;
  Send(registered_, command::kReadTableEntry, payload, true);
}

void RouterProtocol::FinishTableRead() {
  if (state_ == ProtocolState::Transferring)
    state_ = ProtocolState::Registered;
  expectedAnswer_ = 0;
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

int RouterProtocol::OnTableEntry(std::uint32_t sender, std::uint16_t,
                                 std::span<const std::uint8_t> payload) {
  if (payload.size() < kTableAnswerMinimum)
    return kResultMalformed;
  if (state_ == ProtocolState::Idle)
    return kResultHandled;
  if (state_ != ProtocolState::Transferring)
    return sender == registered_ ? kResultUnexpected : kResultHandled;
  if (expectedAnswer_ != command::kTableEntry || transfer_.kind != TransferKind::Read ||
      payload[2] != transfer_.tableType)
    return kResultMalformed;
  state_ = ProtocolState::Registered;
  int index = WireReader(payload, 3).U16();
  if (index == transfer_.expectedIndex) {
    switch (transfer_.tableType) {
      case kLineTargetTable: {
        LineTarget target = DecodeLineTarget(payload, wire());
        if (HasEntry(target))
          transfer_.lineTargets.Append(std::move(target));
        break;
      }
      case kRouteTable: {
        RouteEntry route = DecodeRoute(payload, addresses_);
        if (HasEntry(route))
          transfer_.routes.Append(std::move(route));
        break;
      }
      default: {
        FilterEntry filter = DecodeFilter(payload, addresses_);
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

void RouterProtocol::ReadConfiguration(int lineTargetCount, int routeCount, int filterCount,
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

void RouterProtocol::StartTableWrite(std::uint8_t type, std::vector<Bytes> messages,
                                     CountCallback done) {
  transfer_ = TransferState{};
  transfer_.kind = TransferKind::Write;
  transfer_.tableType = type;
  transfer_.messages = std::move(messages);
  transfer_.countDone = std::move(done);
  WriteStep();
}

void RouterProtocol::WriteStep() {
  if (transfer_.next >= transfer_.messages.size()) {
    int sent = static_cast<int>(transfer_.messages.size());
    CountCallback done = std::move(transfer_.countDone);
    transfer_ = TransferState{};
    expectedAnswer_ = 0;
    if (done)
      done(sent);
    return;
  }
  expectedAnswer_ = command::kTableEntryWritten;
  state_ = ProtocolState::Transferring;
  const Bytes& message = transfer_.messages[transfer_.next++];
  Send(registered_, command::kWriteTableEntry, message, true);
}

int RouterProtocol::OnTableEntryWritten(std::uint32_t sender, std::uint16_t,
                                        std::span<const std::uint8_t> payload) {
  if (payload.size() < kWriteAnswerMinimum)
    return kResultMalformed;
  if (state_ == ProtocolState::Idle)
    return kResultHandled;
  if (state_ != ProtocolState::Transferring)
    return sender == candidate_ ? kResultUnexpected : kResultHandled;
  if (expectedAnswer_ != command::kTableEntryWritten || transfer_.kind != TransferKind::Write ||
      payload[2] != transfer_.tableType)
    return kResultMalformed;
  state_ = ProtocolState::Registered;
  int status = WireReader(payload, 5).U16();
  if (status == kResultHandled) {
    WriteStep();
    return kResultHandled;
  }
  // Any status stops the chain; 11 and 12 keep the registration.
  transfer_ = TransferState{};
  chain_ = ConfigurationChain{};
  expectedAnswer_ = 0;
  return status;
}

void RouterProtocol::WriteLineTargets(CountCallback done, LineTargetList& edited,
                                      const LineTargetList& saved) {
  NumberTablePositions(edited);
  StartTableWrite(kLineTargetTable, EncodeChanges(edited, saved, wire()), std::move(done));
}

void RouterProtocol::WriteRoutes(CountCallback done, RouteList& edited, const RouteList& saved) {
  NumberTablePositions(edited);
  StartTableWrite(kRouteTable, EncodeChanges(edited, saved, wire()), std::move(done));
}

void RouterProtocol::WriteFilters(CountCallback done, FilterList& edited, const FilterList& saved) {
  NumberTablePositions(edited);
  StartTableWrite(kFilterTable, EncodeChanges(edited, saved, wire()), std::move(done));
}

void RouterProtocol::WriteConfiguration(LineTargetList& editedLineTargets,
                                        const LineTargetList& savedLineTargets,
                                        RouteList* editedRoutes, const RouteList* savedRoutes,
                                        FilterList* editedFilters, const FilterList* savedFilters,
                                        CountCallback done) {
  // Every message is worked out now, from the lists as they are at the
  // call: the chain keeps no reference to the caller's lists.
  chain_ = ConfigurationChain{};
  chain_.writeDone = std::move(done);
  NumberTablePositions(editedLineTargets);
  std::vector<Bytes> lineTargetMessages =
      EncodeChanges(editedLineTargets, savedLineTargets, wire());
  if (editedRoutes) {
    NumberTablePositions(*editedRoutes);
    const RouteList empty = NewRouteList();
    chain_.writeRoutes = true;
    chain_.routeMessages = EncodeChanges(*editedRoutes, savedRoutes ? *savedRoutes : empty, wire());
  }
  if (editedFilters) {
    NumberTablePositions(*editedFilters);
    const FilterList empty = NewFilterList();
    chain_.writeFilters = true;
    chain_.filterMessages =
        EncodeChanges(*editedFilters, savedFilters ? *savedFilters : empty, wire());
  }
  StartTableWrite(kLineTargetTable, std::move(lineTargetMessages),
                  [this](int sent) { ContinueConfigurationWrite(sent); });
}

void RouterProtocol::ContinueConfigurationWrite(int sent) {
  chain_.written += sent;
  ++chain_.stage;
  if (chain_.stage == 1 && chain_.writeRoutes) {
    StartTableWrite(kRouteTable, std::move(chain_.routeMessages),
                    [this](int n) { ContinueConfigurationWrite(n); });
    return;
  }
  if (chain_.stage == 1)
    ++chain_.stage;
  if (chain_.stage == 2 && chain_.writeFilters) {
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

void RouterProtocol::WriteRouterParameters(DoneCallback result,
                                           const RouterParameters& parameters) {
  expectedAnswer_ = command::kParametersWritten;
  state_ = ProtocolState::Transferring;
  doneResult_ = std::move(result);
  Send(registered_, command::kWriteParameters, EncodeRouterParameters(parameters, addresses_),
       true);
}

int RouterProtocol::OnParametersWritten(std::uint32_t, std::uint16_t,
                                        std::span<const std::uint8_t> payload) {
  return ParameterAnswer(command::kParametersWritten, payload);
}

}  // namespace tarcfg
