// SPDX-License-Identifier: GPL-3.0-or-later
// Registration with its password challenge, deregistration, and the two
// single-answer parameter requests: the password change and the parameter
// write.
#include <chrono>
#include <random>

#include "protocol/router_protocol.h"

#include "protocol/protocol_context.h"

namespace tarcfg {

namespace {

inline constexpr std::size_t kSeedLength = 2;
inline constexpr std::size_t kAcceptedLength = 8;
inline constexpr std::size_t kAcceptedFullLength = 44;
inline constexpr std::size_t kRefusedLength = 4;
inline constexpr std::size_t kRefusedWithHostLength = 8;
inline constexpr std::size_t kStatusAnswerLength = 4;
inline constexpr std::size_t kAcceptedFirmwareLength = 10;

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

void RouterProtocol::Register(RegistrationCallback result, std::uint32_t router) {
  if (context_->state != ProtocolState::Idle || router == 0 || router == context_->broadcast)
    return;
  // Registering again with a router being let go: it must not be told
  // after this that we leave.
  std::erase_if(releases_, [router](const PendingRelease& r) { return r.router == router; });
  registrationResult_ = std::move(result);
  context_->candidate = router;
  context_->state = ProtocolState::Registering;
  silentTicks_ = 0;
  passwordSent_ = false;
  // A router that restarted since we last heard it numbers from 1 again.
  context_->transactions.ForgetDelivered();
  int sent = context_->Send(router, command::kRegister, {}, true);
  if (sent < 0) {
    context_->state = ProtocolState::Idle;
    context_->ReportError(sent);
  }
}

void RouterProtocol::SendPassword(std::uint16_t challengeSequence, std::string_view password,
                                  std::uint16_t seed) {
  if (context_->state != ProtocolState::PasswordRequested)
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
  int sent = context_->Send(context_->candidate, command::kPassword, payload.bytes(), true);
  if (sent < 0) {
    context_->state = ProtocolState::Idle;
    context_->ReportError(sent);
  }
}

void RouterProtocol::AbandonPasswordPrompt() {
  if (context_->state != ProtocolState::PasswordRequested)
    return;
  context_->state = ProtocolState::Idle;
  registrationResult_ = nullptr;
  // The router waits for the answer to its challenge; it is told that we
  // leave instead.
  Release(context_->candidate);
  context_->candidate = 0;
}

void RouterProtocol::Deregister() {
  // A candidate may yet take us; it must not stay held by a host that left.
  const std::uint32_t router = RouterInUse();
  if (router == 0)
    return;
  context_->state = ProtocolState::Idle;
  ClearRegistration();
  // Cancels a request still waiting for its acknowledgement, so the
  // deregistration goes out now and nothing of the old session is repeated.
  context_->transactions.EndSession();
  Release(router);
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
  context_->expectedAnswer = command::kPasswordChanged;
  context_->state = ProtocolState::Transferring;
  doneResult_ = std::move(result);
  context_->Send(context_->registered, command::kChangePassword, payload.bytes(), true);
}

void RouterProtocol::WriteRouterParameters(DoneCallback result,
                                           const RouterParameters& parameters) {
  context_->expectedAnswer = command::kParametersWritten;
  context_->state = ProtocolState::Transferring;
  doneResult_ = std::move(result);
  context_->Send(context_->registered, command::kWriteParameters,
                 EncodeRouterParameters(parameters, context_->addresses), true);
}

int RouterProtocol::OnPasswordRequest(std::uint32_t sender, std::uint16_t sequence,
                                      std::span<const std::uint8_t> payload) {
  if (context_->state != ProtocolState::Registering || sender != context_->candidate ||
      payload.size() != kSeedLength)
    return kResultUnexpected;
  RegistrationResult result;
  result.kind = RegistrationKind::PasswordRequested;
  result.seed = WireReader(payload).U16();
  result.challengeSequence = sequence;
  context_->state = ProtocolState::PasswordRequested;
  passwordSent_ = false;
  if (registrationResult_) {
    RegistrationCallback callback = registrationResult_;
    callback(result);
  }
  return kResultHandled;
}

int RouterProtocol::OnRegistrationAccepted(std::uint32_t sender, std::uint16_t,
                                           std::span<const std::uint8_t> payload) {
  if ((context_->state != ProtocolState::Registering &&
       context_->state != ProtocolState::PasswordRequested) ||
      sender != context_->candidate || payload.size() < kAcceptedLength)
    return kResultUnexpected;
  WireReader in(payload, 2);
  RegistrationResult result;
  result.kind = RegistrationKind::Accepted;
  result.lineTargetCount = in.U16();
  result.routeCount = in.U16();
  result.filterCount = in.U16();
  if (payload.size() >= kAcceptedFullLength) {
    result.netmask = context_->addresses.FormatAddress(in.U32());
    result.phoneNumber = in.Text(kPhoneNumberCapacity);
    result.dChannelProtocol = in.U8();
    result.permanentConnection = in.U8();
    result.firmwareVersion = in.Text(kAcceptedFirmwareLength);
  }
  context_->transactions.SetSession(context_->candidate);
  context_->registered = context_->candidate;
  context_->state = ProtocolState::Registered;
  RegistrationCallback callback = std::move(registrationResult_);
  registrationResult_ = nullptr;
  if (callback)
    callback(result);
  return kResultHandled;
}

int RouterProtocol::OnRegistrationRefused(std::uint32_t sender, std::uint16_t,
                                          std::span<const std::uint8_t> payload) {
  if (context_->state == ProtocolState::Idle)
    return kResultHandled;
  if ((context_->state != ProtocolState::Registering &&
       context_->state != ProtocolState::PasswordRequested) ||
      sender != context_->candidate || payload.size() < kRefusedLength)
    return kResultUnexpected;
  WireReader in(payload, 2);
  RegistrationResult result;
  result.kind = RegistrationKind::Refused;
  result.refusalCode = in.U16();
  // The holder is named only when all four of its bytes are there.
  std::uint32_t holder = 0;
  if (payload.size() >= kRefusedWithHostLength) {
    holder = in.U32();
    result.registeredHost = context_->addresses.FormatAddress(holder);
  }
  context_->state = ProtocolState::Idle;
  // The router may still hold this host from an earlier session whose
  // deregistration was lost (its repetitions stopped when this attempt
  // began): it is let go, unless it names another host as its holder.
  if (holder == 0 || holder == context_->transport.TransportOwnAddress())
    Release(sender);
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
  if (context_->state == ProtocolState::Transferring && context_->expectedAnswer == expected)
    result = WireReader(payload, 2).U16();
  context_->state = ProtocolState::Registered;
  context_->expectedAnswer = 0;
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

int RouterProtocol::OnParametersWritten(std::uint32_t, std::uint16_t,
                                        std::span<const std::uint8_t> payload) {
  return ParameterAnswer(command::kParametersWritten, payload);
}

}  // namespace tarcfg
