// Opening the protocol, the network scan and the router overview query.
#include "router_protocol.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kScanAnswerLength = 16;
inline constexpr std::size_t kOverviewAnswerLength = 52;
inline constexpr std::size_t kOverviewAnswerFullLength = 64;
inline constexpr std::size_t kRemoteNameLength = 20;
inline constexpr std::size_t kOverviewFirmwareLength = 10;

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

RouterProtocol::RouterProtocol(DatagramSocket& socket, const GuiSettings& settings,
                               const ProtocolTables& tables, AddressService& addresses)
    : transport_(socket),
      transactions_(transport_),
      settings_(settings),
      tables_(tables),
      addresses_(addresses) {
  transactions_.SetAnswerRule(IsAnswerTo);
}

int RouterProtocol::OpenRouterProtocol(ErrorCallback error, std::uint32_t broadcastAddress) {
  int result = transactions_.InitTransactions(
      kRouterPort,
      [this](std::uint32_t sender, std::uint16_t commandWord, std::uint16_t sequence,
             std::span<const std::uint8_t> payload) {
        OnProtocolMessage(sender, commandWord, sequence, payload);
      },
      [this](int code) { OnTransportError(code); }, settings_.ownAddress);
  if (result != kTransportOpened)
    return result;
  state_ = ProtocolState::Idle;
  broadcast_ = broadcastAddress;
  candidate_ = 0;
  registered_ = 0;
  scanResult_ = nullptr;
  overviewResult_ = nullptr;
  registrationResult_ = nullptr;
  doneResult_ = nullptr;
  lineMonitor_ = nullptr;
  error_ = std::move(error);
  return result;
}

void RouterProtocol::ScanNetwork(ScanCallback result) {
  if (state_ != ProtocolState::Idle)
    return;
  scanResult_ = std::move(result);
  Send(broadcast_, command::kScanQuery, {}, false);
  transport_.StartTimerSlot([this] { ScanQueryAgain(); }, 1);
  transport_.StartTimerSlot([this] { ScanQueryAgain(); }, 2);
  transport_.StartTimerSlot(
      [this] {
        ScanCallback callback = std::move(scanResult_);
        scanResult_ = nullptr;
        ScanAnswer end;
        end.end = 1;
        if (callback)
          callback(end);
      },
      3);
}

void RouterProtocol::ScanQueryAgain() {
  Send(broadcast_, command::kScanQuery, {}, false);
}

void RouterProtocol::QueryRouterOverview(OverviewCallback result) {
  if (state_ != ProtocolState::Idle)
    return;
  overviewResult_ = std::move(result);
  Send(broadcast_, command::kOverviewQuery, {}, false);
  transport_.StartTimerSlot([this] { Send(broadcast_, command::kOverviewQuery, {}, false); }, 1);
  transport_.StartTimerSlot(
      [this] {
        OverviewCallback callback = std::move(overviewResult_);
        overviewResult_ = nullptr;
        OverviewAnswer end;
        end.end = 1;
        if (callback)
          callback(end);
      },
      2);
}

int RouterProtocol::OnScanAnswer(std::uint32_t, std::uint16_t,
                                 std::span<const std::uint8_t> payload) {
  if (payload.size() < kScanAnswerLength)
    return kResultUnexpected;
  if (state_ != ProtocolState::Idle && state_ != ProtocolState::Restarting &&
      state_ != ProtocolState::WaitingForLoader)
    return kResultUnexpected;
  WireReader in(payload, 2);
  ScanAnswer answer;
  for (auto& byte : answer.hardwareAddress)
    byte = in.U8();
  answer.routerAddress = in.U32();
  answer.registeredHost = in.U32();

  if (state_ == ProtocolState::Idle) {
    if (scanResult_) {
      ScanCallback callback = scanResult_;
      callback(answer);
    }
  } else if (state_ == ProtocolState::Restarting) {
    // The router is back after its restart: the download is complete.
    if (answer.routerAddress == candidate_) {
      state_ = ProtocolState::Idle;
      EndDownloadTimers();
      ScanCallback done = std::move(downloadDone_);
      downloadDone_ = nullptr;
      progress_ = nullptr;
      image_.clear();
      if (done)
        done(answer);
    }
  } else if (answer.hardwareAddress == loaderHardware_ && answer.routerAddress == 0) {
    // The loader of our router, which has no address yet.
    state_ = ProtocolState::Idle;
    EndDownloadTimers();
    ScanCallback found = std::move(loaderFound_);
    loaderFound_ = nullptr;
    if (found)
      found(answer);
  }
  return kResultHandled;
}

int RouterProtocol::OnOverviewAnswer(std::uint32_t sender, std::uint16_t,
                                     std::span<const std::uint8_t> payload) {
  if (state_ != ProtocolState::Idle || payload.size() < kOverviewAnswerLength)
    return kResultUnexpected;
  WireReader in(payload, 2);
  OverviewAnswer answer;
  answer.routerAddress = sender;
  for (auto& channel : answer.channels) {
    channel.state = in.U8();
    channel.remoteAddress = in.U32();
    channel.remoteName = in.Text(kRemoteNameLength);
  }
  if (payload.size() >= kOverviewAnswerFullLength) {
    answer.dChannelProtocol = in.U8();
    answer.permanentConnection = in.U8();
    answer.firmwareVersion = in.Text(kOverviewFirmwareLength);
  }
  if (overviewResult_) {
    OverviewCallback callback = overviewResult_;
    callback(answer);
  }
  return kResultHandled;
}

}  // namespace tarcfg
