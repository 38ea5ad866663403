// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/registration_cycle.h"

#include <algorithm>
#include <utility>

#include "config/string_table.h"
#include "protocol/router_rules.h"

namespace tarcfg::serve {

RegistrationCycle::RegistrationCycle(RouterProtocol& protocol, CycleLimits limits)
    : protocol_(protocol), limits_(limits) {
  protocol_.SetRegistrationAbandonedCallback([this] {
    if (aborting_ || !waiting())
      return;
    Fail("the router ended the registration without an answer");
  });
}

void RegistrationCycle::Start(std::uint32_t address, TableRead& read,
                              std::optional<std::string> password) {
  step_ = Step::kRegistering;
  ++id_;
  ticks_ = 0;
  read_ = &read;
  password_ = std::move(password);
  failure_.clear();
  const unsigned id = id_;
  // A failing first send reports through OnProtocolError at once.
  protocol_.Register([this, id](const RegistrationResult& result) { OnRegistration(id, result); },
                     address);
  if (step_ == Step::kRegistering && protocol_.state() == ProtocolState::Idle)
    Fail("the registration could not be sent");
}

RegistrationCycle::Progress RegistrationCycle::Advance() {
  switch (step_) {
    case Step::kIdle:
      return Progress::kIdle;
    case Step::kRegistering:
    case Step::kReading:
      return Progress::kWaiting;
    case Step::kReady: {
      // Deregistered first: the registration is held no longer than the read.
      if (read_->complete())
        return Finish(Outcome::kRead);
      if (stopRequested_) {
        step_ = Step::kInterrupted;
        return Progress::kMoved;
      }
      step_ = Step::kReading;
      ticks_ = 0;
      const unsigned id = id_;
      read_->RequestNext(protocol_, [this, id] {
        if (id != id_ || step_ != Step::kReading)
          return false;
        step_ = Step::kReady;
        return true;
      });
      return Progress::kMoved;
    }
    case Step::kFailed:
      return Finish(Outcome::kFailed);
    case Step::kInterrupted:
      return Finish(Outcome::kInterrupted);
  }
  return Progress::kIdle;
}

RegistrationCycle::Progress RegistrationCycle::Finish(Outcome outcome) {
  EnsureIdle();
  step_ = Step::kIdle;
  outcome_ = outcome;
  return Progress::kFinished;
}

void RegistrationCycle::Tick() {
  if (!waiting())
    return;
  int limit = limits_.stepTimeoutTicks;
  if (step_ == Step::kReading)
    limit += kTiming.repeatInterval * read_->entries();  // a repetition per entry
  if (++ticks_ > limit)
    Fail("no answer");
}

bool RegistrationCycle::OnProtocolError(int code) {
  if (aborting_)
    return true;
  if (!waiting())
    return false;
  Fail(MessageOnOneLine(NetworkErrorMessage(code)));
  return true;
}

void RegistrationCycle::Interrupt() {
  if (active() && step_ != Step::kFailed)
    step_ = Step::kInterrupted;
}

void RegistrationCycle::ReleaseNow() {
  Interrupt();
  EnsureIdle();
  step_ = Step::kIdle;
}

void RegistrationCycle::OnRegistration(unsigned id, const RegistrationResult& result) {
  if (id != id_ || step_ != Step::kRegistering)
    return;
  switch (result.kind) {
    case RegistrationKind::Accepted:
      read_->Begin(result);
      step_ = Step::kReady;
      ticks_ = 0;
      return;
    case RegistrationKind::PasswordRequested:
      // The answer goes out at once, from within the protocol's callback, as
      // the registration dialog does; the rest waits for the entry points.
      // Without an answer the registration is ended there (EnsureIdle), with
      // a deregistration: the router has the candidate in hand.
      if (stopRequested_) {
        step_ = Step::kInterrupted;
      } else if (!password_) {
        Fail("the router asks for a password (give it with -p or TARCFG_PASSWORD)");
      } else if (password_->size() > kPasswordWireLength) {
        Fail(MessageOnOneLine(PasswordTooLongMessage()));
      } else {
        ticks_ = 0;
        protocol_.SendPassword(result.challengeSequence, *password_, result.seed);
      }
      return;
    case RegistrationKind::Refused:
      Fail(MessageOnOneLine(RegistrationRefusalMessage(result)));
      return;
  }
}

void RegistrationCycle::Fail(std::string reason) {
  if (!active())
    return;
  failure_ = std::move(reason);
  step_ = Step::kFailed;
}

void RegistrationCycle::EnsureIdle() {
  aborting_ = true;
  switch (protocol_.state()) {
    case ProtocolState::Idle:
      break;
    case ProtocolState::Registered:
    case ProtocolState::Registering:
    case ProtocolState::PasswordRequested:
      // Also a registration not yet answered: the router may take it (or
      // have taken it) still, and must not stay held by this host.
      protocol_.Deregister();
      break;
    default:
      // A request of the registration is still waiting: end the
      // registration with a deregistration that carries the time-out code.
      protocol_.AbandonRouter(kErrorNoAcknowledge);
      break;
  }
  aborting_ = false;
}

}  // namespace tarcfg::serve
