// The protocol state machine: the dispatcher, the rules by which a
// handler's result ends a registration, registration, deregistration and
// the password change.
#include <chrono>
#include <random>

#include "router_protocol.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kSeedLength = 2;
inline constexpr std::size_t kAcceptedLength = 8;
inline constexpr std::size_t kAcceptedFullLength = 44;
inline constexpr std::size_t kRefusedLength = 4;
inline constexpr std::size_t kRefusedWithHostLength = 8;
inline constexpr std::size_t kStatusAnswerLength = 4;
inline constexpr std::size_t kAcceptedFirmwareLength = 10;

bool AtLeastRegistered(ProtocolState state) {
  return static_cast<int>(state) >= static_cast<int>(ProtocolState::Registered);
}

// The password as the 10 bytes that go on the wire: at most 10 characters,
// zero padded.
std::array<std::uint8_t, kPasswordWireLength> PasswordBytes(std::string_view password) {
  std::array<std::uint8_t, kPasswordWireLength> bytes{};
  for (std::size_t i = 0; i < bytes.size() && i < password.size() && password[i] != '\0'; ++i)
    bytes[i] = static_cast<std::uint8_t>(password[i]);
  return bytes;
}

std::size_t TextLength(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && text[n] != '\0')
    ++n;
  return n;
}

}  // namespace

void ScramblePassword(std::uint8_t out[kPasswordWireLength],
                      const std::uint8_t in[kPasswordWireLength], std::uint16_t seed) {
  auto k = static_cast<std::uint8_t>(seed % 257);
  for (std::size_t i = 0; i < kPasswordWireLength; ++i) {
    k = static_cast<std::uint8_t>(((k + 13) * 167) >> 6);
    out[i] = static_cast<std::uint8_t>(in[i] ^ k);
  }
}

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
  switch (state_) {
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
    case ProtocolState::DownloadRequested:
    case ProtocolState::Downloading:
      if (sender != candidate_)
        return;
      break;
    default:
      break;
  }
  // The router has spoken: a request it answers slowly is not given up.
  silentTicks_ = 0;
  int result = kResultUnknownCommand;
  if (const DispatchEntry* entry = FindHandler(commandWord)) {
    if (entry->registeredOnly && (!AtLeastRegistered(state_) || sender != registered_))
      return;
    result = (this->*entry->handler)(sender, sequence, payload);
  }
  if (result == kResultHandled)
    return;
  if (result == kStatusReported11 || result == kStatusFlashFailed) {
    ReportError(result);
    return;
  }
  AbortRegistration(sender, result);
}

void RouterProtocol::ClearRegistration() {
  candidate_ = 0;
  registered_ = 0;
  registrationResult_ = nullptr;
  doneResult_ = nullptr;
  lineMonitor_ = nullptr;
  expectedAnswer_ = 0;
  transfer_ = TransferState{};
  chain_ = ConfigurationChain{};
  loaderFound_ = nullptr;
  downloadDone_ = nullptr;
  progress_ = nullptr;
  passwordSent_ = false;
  EndDownloadTimers();
}

void RouterProtocol::AbortRegistration(std::uint32_t sender, int code) {
  if (state_ == ProtocolState::Idle || state_ == ProtocolState::Registering ||
      state_ == ProtocolState::PasswordRequested) {
    // A registration in progress simply ends; nothing is sent or shown.
    bool attempt = state_ != ProtocolState::Idle;
    state_ = ProtocolState::Idle;
    if (attempt) {
      registrationResult_ = nullptr;
      if (abandoned_) {
        DoneCallback abandoned = abandoned_;
        abandoned();
      }
    }
    return;
  }
  if (sender != 0 && sender == registered_) {
    state_ = ProtocolState::Idle;
    ClearRegistration();
    transactions_.EndSession();
    WireWriter payload;
    payload.U16(static_cast<std::uint16_t>(code));
    Send(sender, command::kDeregister, payload.bytes(), false);
    ReportError(code);
    return;
  }
  if (code == kErrorDownloadFailed || code == kErrorLoaderNotFound) {
    state_ = ProtocolState::Idle;
    ClearRegistration();
    ReportError(code);
  }
}

void RouterProtocol::OnTransportError(int code) {
  if (state_ == ProtocolState::Idle)
    return;
  state_ = ProtocolState::Idle;
  ClearRegistration();
  transactions_.EndSession();
  ReportError(code);
}

void RouterProtocol::Register(RegistrationCallback result, std::uint32_t router) {
  if (state_ != ProtocolState::Idle || router == 0 || router == broadcast_)
    return;
  registrationResult_ = std::move(result);
  candidate_ = router;
  state_ = ProtocolState::Registering;
  silentTicks_ = 0;
  passwordSent_ = false;
  // A router that restarted since we last heard it numbers from 1 again.
  transactions_.ForgetDelivered();
  int sent = Send(router, command::kRegister, {}, true);
  if (sent < 0) {
    state_ = ProtocolState::Idle;
    ReportError(sent);
  }
}

void RouterProtocol::SendPassword(std::uint16_t challengeSequence, std::string_view password,
                                  std::uint16_t seed) {
  if (state_ != ProtocolState::PasswordRequested)
    return;
  if (TextLength(password) > kPasswordWireLength)
    return;
  auto plain = PasswordBytes(password);
  WireWriter payload;
  payload.U16(challengeSequence);
  std::array<std::uint8_t, kPasswordWireLength> scrambled{};
  ScramblePassword(scrambled.data(), plain.data(), seed);
  payload.Raw(scrambled);
  passwordSent_ = true;
  silentTicks_ = 0;
  int sent = Send(candidate_, command::kPassword, payload.bytes(), true);
  if (sent < 0) {
    state_ = ProtocolState::Idle;
    ReportError(sent);
  }
}

void RouterProtocol::AbandonPasswordPrompt() {
  if (state_ != ProtocolState::PasswordRequested)
    return;
  state_ = ProtocolState::Idle;
  registrationResult_ = nullptr;
  candidate_ = 0;
}

void RouterProtocol::Deregister() {
  std::uint32_t router = 0;
  switch (state_) {
    case ProtocolState::Registered:
    case ProtocolState::Transferring:
      router = registered_;
      break;
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
      // The router may yet take us; it must not stay held by a host that left.
      router = candidate_;
      break;
    default:
      return;
  }
  state_ = ProtocolState::Idle;
  ClearRegistration();
  // Cancels a request still waiting for its acknowledgement, so the
  // deregistration goes out now and nothing of the old session is repeated.
  transactions_.EndSession();
  Send(router, command::kDeregister, {}, false);
}

void RouterProtocol::OnTimerTick() {
  transport_.OnTimerTick();
  WatchForAnswer();
}

void RouterProtocol::WatchForAnswer() {
  bool waiting = state_ == ProtocolState::Registering || state_ == ProtocolState::Transferring ||
                 (state_ == ProtocolState::PasswordRequested && passwordSent_);
  // While a request is unacknowledged its repetitions and 8888 watch it.
  if (!waiting || transactions_.outstanding()) {
    silentTicks_ = 0;
    return;
  }
  if (++silentTicks_ <= kAnswerTimeoutTicks)
    return;
  silentTicks_ = 0;
  // A registered router that took the request in is still there: it is
  // told that we leave, so that it is not held by this host. A candidate
  // has not taken us yet.
  if (state_ == ProtocolState::Transferring)
    AbortRegistration(registered_, kErrorNoAcknowledge);
  else
    OnTransportError(kErrorNoAcknowledge);
}

void RouterProtocol::ChangePassword(DoneCallback result, std::string_view newPassword,
                                    std::string_view currentPassword, bool exclusive) {
  std::uint16_t seed = 0;
  if (seedSource_) {
    seed = seedSource_();
  } else {
    std::mt19937 random(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    seed = static_cast<std::uint16_t>(random() % 32768u);
  }
  std::array<std::uint8_t, kPasswordWireLength> scrambled{};
  WireWriter payload;
  payload.U16(seed).U8(exclusive ? 0xFF : 0x00);
  auto plain = PasswordBytes(newPassword);
  ScramblePassword(scrambled.data(), plain.data(), seed);
  payload.Raw(scrambled);
  plain = PasswordBytes(currentPassword);
  ScramblePassword(scrambled.data(), plain.data(), seed);
  payload.Raw(scrambled);
  expectedAnswer_ = command::kPasswordChanged;
  state_ = ProtocolState::Transferring;
  doneResult_ = std::move(result);
  Send(registered_, command::kChangePassword, payload.bytes(), true);
}

int RouterProtocol::OnPasswordRequest(std::uint32_t sender, std::uint16_t sequence,
                                      std::span<const std::uint8_t> payload) {
  if (state_ != ProtocolState::Registering || sender != candidate_ || payload.size() != kSeedLength)
    return kResultUnexpected;
  RegistrationResult result;
  result.kind = RegistrationKind::PasswordRequested;
  result.seed = WireReader(payload).U16();
  result.challengeSequence = sequence;
  state_ = ProtocolState::PasswordRequested;
  passwordSent_ = false;
  if (registrationResult_) {
    RegistrationCallback callback = registrationResult_;
    callback(result);
  }
  return kResultHandled;
}

int RouterProtocol::OnRegistrationAccepted(std::uint32_t sender, std::uint16_t,
                                           std::span<const std::uint8_t> payload) {
  if ((state_ != ProtocolState::Registering && state_ != ProtocolState::PasswordRequested) ||
      sender != candidate_ || payload.size() < kAcceptedLength)
    return kResultUnexpected;
  WireReader in(payload, 2);
  RegistrationResult result;
  result.kind = RegistrationKind::Accepted;
  result.lineTargetCount = in.U16();
  result.routeCount = in.U16();
  result.filterCount = in.U16();
  if (payload.size() >= kAcceptedFullLength) {
    result.netmask = addresses_.FormatAddress(in.U32());
    result.phoneNumber = in.Text(kPhoneNumberCapacity);
    result.dChannelProtocol = in.U8();
    result.permanentConnection = in.U8();
    result.firmwareVersion = in.Text(kAcceptedFirmwareLength);
  }
  transactions_.SetSession(candidate_);
  registered_ = candidate_;
  state_ = ProtocolState::Registered;
  RegistrationCallback callback = std::move(registrationResult_);
  registrationResult_ = nullptr;
  if (callback)
    callback(result);
  return kResultHandled;
}

int RouterProtocol::OnRegistrationRefused(std::uint32_t sender, std::uint16_t,
                                          std::span<const std::uint8_t> payload) {
  if (state_ == ProtocolState::Idle)
    return kResultHandled;
  if ((state_ != ProtocolState::Registering && state_ != ProtocolState::PasswordRequested) ||
      sender != candidate_ || payload.size() < kRefusedLength)
    return kResultUnexpected;
  WireReader in(payload, 2);
  RegistrationResult result;
  result.kind = RegistrationKind::Refused;
  result.refusalCode = in.U16();
  // The holder is named only when all four of its bytes are there.
  if (payload.size() >= kRefusedWithHostLength)
    result.registeredHost = addresses_.FormatAddress(in.U32());
  state_ = ProtocolState::Idle;
  RegistrationCallback callback = std::move(registrationResult_);
  registrationResult_ = nullptr;
  if (callback)
    callback(result);
  return kResultHandled;
}

int RouterProtocol::OnRouterDeregistered(std::uint32_t, std::uint16_t,
                                         std::span<const std::uint8_t>) {
  return kResultHandled;
}

int RouterProtocol::ParameterAnswer(std::uint16_t expected, std::span<const std::uint8_t> payload) {
  if (payload.size() < kStatusAnswerLength)
    return kResultMalformed;
  int result = kResultUnexpected;
  if (state_ == ProtocolState::Transferring && expectedAnswer_ == expected)
    result = WireReader(payload, 2).U16();
  state_ = ProtocolState::Registered;
  expectedAnswer_ = 0;
  DoneCallback done = std::move(doneResult_);
  doneResult_ = nullptr;
  if (result == kResultHandled && done)
    done();
  return result;
}

int RouterProtocol::OnPasswordChanged(std::uint32_t, std::uint16_t,
                                      std::span<const std::uint8_t> payload) {
  return ParameterAnswer(command::kPasswordChanged, payload);
}

}  // namespace tarcfg
