// SPDX-License-Identifier: GPL-3.0-or-later
// RouterProtocol's construction, the dispatcher that hands each message to
// its handler, the rules by which a handler's result or a silent router ends
// a registration, and the operations the table transfer and the firmware
// download carry out.
#include "protocol/router_protocol.h"

#include "protocol/image_download.h"
#include "protocol/protocol_context.h"
#include "protocol/table_transfer.h"

namespace tarcfg {

using protocol::ImageDownload;
using protocol::ProtocolContext;
using protocol::TableTransfer;

namespace {

// The router's numbered answers to the tool's numbered requests.
bool IsAnswerTo(std::uint16_t request, std::uint16_t answer) {
  switch (request) {
    case command::kRegister:
      return answer == command::kPasswordRequest || answer == command::kRegistrationAccepted ||
             answer == command::kRegistrationRefused;
    case command::kPassword:
      return answer == command::kRegistrationAccepted || answer == command::kRegistrationRefused;
    case command::kChangePassword:
      return answer == command::kPasswordChanged;
    case command::kReadTableEntry:
      return answer == command::kTableEntry;
    case command::kReadAccounting:
      return answer == command::kAccountingEntry;
    case command::kWriteTableEntry:
      return answer == command::kTableEntryWritten;
    case command::kWriteParameters:
      return answer == command::kParametersWritten;
  }
  return false;
}

}  // namespace

protocol::ProtocolContext::ProtocolContext(DatagramSocket& socket, const GuiSettings& settings,
                                           const ProtocolTables& tables, AddressService& addresses)
    : transport(socket),
      transactions(transport),
      settings(settings),
      tables(tables),
      addresses(addresses) {
  transactions.SetAnswerRule(IsAnswerTo);
}

RouterProtocol::RouterProtocol(DatagramSocket& socket, const GuiSettings& settings,
                               const ProtocolTables& tables, AddressService& addresses)
    : context_(std::make_unique<ProtocolContext>(socket, settings, tables, addresses)),
      transfer_(std::make_unique<TableTransfer>(*context_)),
      download_(std::make_unique<ImageDownload>(*context_)) {
  context_->abort = [this](std::uint32_t sender, int code) { AbortRegistration(sender, code); };
}

RouterProtocol::~RouterProtocol() = default;

// --- Entry points and queries ----------------------------------------------

void RouterProtocol::OnDatagramReady() {
  context_->transport.OnDatagramReady();
}

void RouterProtocol::FlushSends() {
  context_->transport.Flush();
}

int RouterProtocol::socketDescriptor() const {
  return context_->transport.descriptor();
}

int RouterProtocol::openErrorNumber() const {
  return context_->transport.openError();
}

ProtocolState RouterProtocol::state() const {
  return context_->state;
}

std::uint32_t RouterProtocol::candidateRouter() const {
  return context_->candidate;
}

std::uint32_t RouterProtocol::registeredRouter() const {
  return context_->registered;
}

std::uint32_t RouterProtocol::broadcastAddress() const {
  return context_->broadcast;
}

bool RouterProtocol::chainRunning() const {
  return transfer_->running();
}

bool RouterProtocol::requestOutstanding() const {
  return context_->transactions.outstanding();
}

std::uint32_t RouterProtocol::ownAddress() const {
  return context_->transport.TransportOwnAddress();
}

// --- The dispatcher ------------------------------------------------------------

const RouterProtocol::DispatchEntry* RouterProtocol::FindHandler(std::uint16_t commandWord) {
  static const DispatchEntry kTable[] = {
      {command::kDownloadOffer, &RouterProtocol::OnDownloadOffer, false},
      {command::kLineStatusReport, &RouterProtocol::OnLineStatus, true},
      {command::kDeregister, &RouterProtocol::OnRouterDeregistered, true},
      {command::kPasswordRequest, &RouterProtocol::OnPasswordRequest, false},
      {command::kDisconnect, &RouterProtocol::OnConnectionReport, true},
      {command::kRegistrationAccepted, &RouterProtocol::OnRegistrationAccepted, false},
      {command::kRegistrationRefused, &RouterProtocol::OnRegistrationRefused, false},
      {command::kPasswordChanged, &RouterProtocol::OnPasswordChanged, true},
      {command::kTableEntry, &RouterProtocol::OnTableEntry, true},
      {command::kAccountingEntry, &RouterProtocol::OnAccountingEntry, true},
      {command::kTableEntryWritten, &RouterProtocol::OnTableEntryWritten, true},
      {command::kParametersWritten, &RouterProtocol::OnParametersWritten, true},
      {command::kScanAnswer, &RouterProtocol::OnScanAnswer, false},
      {command::kOverviewAnswer, &RouterProtocol::OnOverviewAnswer, false},
  };
  for (const auto& entry : kTable)
    if (entry.command == commandWord)
      return &entry;
  return nullptr;
}

void RouterProtocol::OnProtocolMessage(std::uint32_t sender, std::uint16_t commandWord,
                                       std::uint16_t sequence,
                                       std::span<const std::uint8_t> payload) {
  // A router that takes us after we gave up on it, or while we register
  // with another one, would stay held by a host that no longer uses it.
  if (commandWord == command::kRegistrationAccepted && IsUnwantedAcceptance(sender)) {
    Release(sender);
    return;
  }
  switch (context_->state) {
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
    case ProtocolState::DownloadRequested:
    case ProtocolState::Downloading:
      if (sender != context_->candidate)
        return;
      break;
    default:
      break;
  }
  // The router has spoken: a request it answers slowly is not given up.
  silentTicks_ = 0;
  int result = kResultUnknownCommand;
  if (const DispatchEntry* entry = FindHandler(commandWord)) {
    if (entry->registeredOnly &&
        (!protocol::RegisteredOrDownloading(context_->state) || sender != context_->registered))
      return;
    result = (this->*entry->handler)(sender, sequence, payload);
  }
  if (result == kResultHandled)
    return;
  if (result == kStatusReported11 || result == kStatusFlashFailed) {
    context_->ReportError(result);
    return;
  }
  AbortRegistration(sender, result);
}

void RouterProtocol::ClearRegistration() {
  context_->candidate = 0;
  context_->registered = 0;
  registrationResult_ = nullptr;
  doneResult_ = nullptr;
  lineMonitor_ = nullptr;
  context_->expectedAnswer = 0;
  transfer_->Clear();
  passwordSent_ = false;
  download_->Clear();
}

void RouterProtocol::AbortRegistration(std::uint32_t sender, int code) {
  if (context_->state == ProtocolState::Idle || context_->state == ProtocolState::Registering ||
      context_->state == ProtocolState::PasswordRequested) {
    // A registration in progress ends without a word to the user; the
    // candidate, which may have taken us already, is let go.
    bool attempt = context_->state != ProtocolState::Idle;
    context_->state = ProtocolState::Idle;
    if (attempt) {
      Release(context_->candidate);
      context_->candidate = 0;
      passwordSent_ = false;
      registrationResult_ = nullptr;
      if (abandoned_) {
        DoneCallback abandoned = abandoned_;
        abandoned();
      }
    }
    return;
  }
  if (sender != 0 && sender == context_->registered) {
    context_->state = ProtocolState::Idle;
    ClearRegistration();
    context_->transactions.EndSession();
    Release(sender, static_cast<std::uint16_t>(code));
    context_->ReportError(code);
    return;
  }
  if (code == kErrorDownloadFailed || code == kErrorLoaderNotFound) {
    context_->state = ProtocolState::Idle;
    ClearRegistration();
    context_->ReportError(code);
  }
}

void RouterProtocol::AbandonRouter(int code) {
  // While a registration is attempted the sender does not count.
  AbortRegistration(context_->registered, code);
}

void RouterProtocol::OnTransportError(int code) {
  if (context_->state == ProtocolState::Idle)
    return;
  // The router may still count us as registered (it took the request and
  // its answers are lost, or it answers slowly): it is let go, so that it
  // is not left held by a host that has given it up.
  const std::uint32_t router = RouterInUse();
  context_->state = ProtocolState::Idle;
  ClearRegistration();
  context_->transactions.EndSession();
  if (router != 0)
    Release(router, static_cast<std::uint16_t>(code));
  context_->ReportError(code);
}

std::uint32_t RouterProtocol::RouterInUse() const {
  switch (context_->state) {
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
      return context_->candidate;
    case ProtocolState::Registered:
    case ProtocolState::Transferring:
      return context_->registered;
    default:
      return 0;
  }
}

bool RouterProtocol::IsUnwantedAcceptance(std::uint32_t sender) const {
  if (sender == 0 || sender == context_->registered)
    return false;
  const bool registering = context_->state == ProtocolState::Registering ||
                           context_->state == ProtocolState::PasswordRequested;
  return !registering || sender != context_->candidate;
}

void RouterProtocol::Release(std::uint32_t router, std::optional<std::uint16_t> code) {
  if (router == 0 || router == context_->broadcast)
    return;
  std::erase_if(releases_, [router](const PendingRelease& r) { return r.router == router; });
  releases_.push_back({router, code, kTiming.releaseSends});
  RepeatReleases(router);
}

void RouterProtocol::RepeatReleases(std::uint32_t only) {
  for (auto& release : releases_) {
    if (only != 0 && release.router != only)
      continue;
    WireWriter payload;
    if (release.code)
      payload.U16(*release.code);
    context_->transactions.SendUnreported(release.router, command::kDeregister, payload.bytes());
    --release.sendsLeft;
  }
  std::erase_if(releases_, [](const PendingRelease& r) { return r.sendsLeft <= 0; });
}

void RouterProtocol::FinishReleases() {
  while (!releases_.empty())
    RepeatReleases();
  context_->transport.Flush();
}

void RouterProtocol::OnTimerTick() {
  // First the repetitions of releases begun on earlier ticks; one that this
  // tick begins has sent its first message already.
  RepeatReleases();
  context_->transport.OnTimerTick();
  WatchForAnswer();
}

void RouterProtocol::WatchForAnswer() {
  bool waiting = context_->state == ProtocolState::Registering ||
                 context_->state == ProtocolState::Transferring ||
                 (context_->state == ProtocolState::PasswordRequested && passwordSent_);
  // While a request is unacknowledged its repetitions and 8888 watch it.
  if (!waiting || context_->transactions.outstanding()) {
    silentTicks_ = 0;
    return;
  }
  if (++silentTicks_ <= kTiming.answerTimeout())
    return;
  silentTicks_ = 0;
  // A registered router that took the request in is still there: it is
  // told that we leave, so that it is not held by this host. A candidate
  // has not taken us yet.
  if (context_->state == ProtocolState::Transferring)
    AbortRegistration(context_->registered, kErrorNoAcknowledge);
  else
    OnTransportError(kErrorNoAcknowledge);
}

// --- Table transfer ------------------------------------------------------------

void RouterProtocol::ReadLineTargets(LineTargetsCallback done, int count) {
  transfer_->ReadLineTargets(std::move(done), count);
}

void RouterProtocol::ReadRoutes(RoutesCallback done, int count) {
  transfer_->ReadRoutes(std::move(done), count);
}

void RouterProtocol::ReadFilters(FiltersCallback done, int count) {
  transfer_->ReadFilters(std::move(done), count);
}

void RouterProtocol::ReadConfiguration(int lineTargetCount, int routeCount, int filterCount,
                                       ConfigurationCallback done) {
  transfer_->ReadConfiguration(lineTargetCount, routeCount, filterCount, std::move(done));
}

void RouterProtocol::WriteLineTargets(CountCallback done, LineTargetList& edited,
                                      const LineTargetList& saved) {
  transfer_->WriteLineTargets(std::move(done), edited, saved);
}

void RouterProtocol::WriteRoutes(CountCallback done, RouteList& edited, const RouteList& saved) {
  transfer_->WriteRoutes(std::move(done), edited, saved);
}

void RouterProtocol::WriteFilters(CountCallback done, FilterList& edited, const FilterList& saved) {
  transfer_->WriteFilters(std::move(done), edited, saved);
}

void RouterProtocol::WriteConfiguration(LineTargetList& editedLineTargets,
                                        const LineTargetList& savedLineTargets,
                                        RouteList* editedRoutes, const RouteList* savedRoutes,
                                        FilterList* editedFilters, const FilterList* savedFilters,
                                        CountCallback done) {
  transfer_->WriteConfiguration(editedLineTargets, savedLineTargets, editedRoutes, savedRoutes,
                                editedFilters, savedFilters, std::move(done));
}

void RouterProtocol::WriteConfiguration(const WritePlan& plan, CountCallback done) {
  transfer_->WriteConfiguration(plan, std::move(done));
}

WriteProgress RouterProtocol::writeProgress() const {
  return transfer_->writeProgress();
}

void RouterProtocol::ReadAccounting(LineTargetsCallback done, const LineTargetList* lineTargets) {
  transfer_->ReadAccounting(false, std::move(done), lineTargets);
}

void RouterProtocol::ReadAndResetAccounting(LineTargetsCallback done,
                                            const LineTargetList* lineTargets) {
  transfer_->ReadAccounting(true, std::move(done), lineTargets);
}

int RouterProtocol::OnTableEntry(std::uint32_t sender, std::uint16_t,
                                 std::span<const std::uint8_t> payload) {
  return transfer_->OnTableEntry(sender, payload);
}

int RouterProtocol::OnTableEntryWritten(std::uint32_t sender, std::uint16_t,
                                        std::span<const std::uint8_t> payload) {
  return transfer_->OnTableEntryWritten(sender, payload);
}

int RouterProtocol::OnAccountingEntry(std::uint32_t, std::uint16_t,
                                      std::span<const std::uint8_t> payload) {
  return transfer_->OnAccountingEntry(payload);
}

// --- Firmware download -------------------------------------------------------

bool RouterProtocol::DownloadFirmware(const HardwareAddress& hardwareAddress,
                                      const RouterParameters& parameters,
                                      const LineTargetList* lineTargets, const RouteList* routes,
                                      const FilterList* filters, ScanCallback done,
                                      ProgressCallback progress) {
  return download_->DownloadFirmware(hardwareAddress, parameters, lineTargets, routes, filters,
                                     std::move(done), std::move(progress));
}

bool RouterProtocol::EnterLoader(const HardwareAddress& hardwareAddress, ScanCallback loaderFound) {
  return download_->EnterLoader(hardwareAddress, std::move(loaderFound));
}

bool RouterProtocol::StartDownload(ScanCallback done, Bytes image,
                                   const HardwareAddress& hardwareAddress,
                                   std::uint32_t routerAddress, ProgressCallback progress) {
  return download_->StartDownload(std::move(done), std::move(image), hardwareAddress, routerAddress,
                                  std::move(progress));
}

std::string RouterProtocol::FirmwareImagePath(const RouterParameters& parameters) const {
  return download_->FirmwareImagePath(parameters);
}

int RouterProtocol::OnDownloadOffer(std::uint32_t, std::uint16_t,
                                    std::span<const std::uint8_t> payload) {
  return download_->OnDownloadOffer(payload);
}

}  // namespace tarcfg
