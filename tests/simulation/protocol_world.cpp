// SPDX-License-Identifier: GPL-3.0-or-later
// The protocol world: the real RouterProtocol on SimulatedLan, driven
// through its facade with the front ends' own rules, many steps a second.
// tarcfg-cli's RouterSession runs a loop of its own until each command is
// done, which leaves no room to interleave; so this world applies its
// rules (and the desktop tool's) to the facade directly:
//
//  - registration: the password from -p at once (CLI, serve), typed later
//    at a prompt, a wrong one, or the prompt cancelled
//    (AbandonPasswordPrompt); a prompt answered after the registration
//    ended sends nothing (the desktop tool's PromptPassword);
//  - a network error ends the session as both front ends end it: the
//    desktop tool's EndRegistration (Deregister) and the CLI's exit;
//  - requests start only when none is outstanding (the buttons and the
//    one-command-per-run CLI);
//  - "exit" runs the front end's exit path (the desktop tool's Shutdown,
//    the end of a CLI command, a signal): Deregister, then ticks while the
//    core still has a deregistration to repeat; then the process is gone;
//    "start" runs the tool again.
//
// Its own checks, on top of the shared ones:
//   write-applied      after a completed write the tool's working lists
//                      equal the router's tables;
//   write-report-true  a write that broke off is reported entry by entry
//                      (what tarcfg-cli prints), and the report is true of
//                      the router's tables (LanWorld::CheckWriteReport).
#include <memory>

#include "config/address.h"
#include "config/net_database.h"
#include "protocol/router_rules.h"
#include "simulation/lan_world.h"

namespace tarcfg::simulation {
namespace {

enum UserEvent : std::uint16_t {
  kRegister = kFirstUserEvent,  // router argument % 3, password habit argument / 3 % 3
  kPassword,                    // 0 the right one, 1 a wrong one
  kCancelPrompt,
  kRead,
  kWrite,       // a change chosen by the argument
  kAccounting,  // odd: with reset
  kConnect,
  kDisconnect,
  kParameters,
  kChangePassword,
  kDeregister,
  kExit,  // the front end's exit path (File > Exit, the end of a command, a signal)
  kStart,
};

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = {
      "user-register",   "user-password",        "user-cancel-prompt", "user-read",
      "user-write",      "user-accounting",      "user-connect",       "user-disconnect",
      "user-parameters", "user-change-password", "user-deregister",    "user-exit",
      "user-start"};
  return names;
}

enum class Habit { PasswordAtOnce, PasswordLater, WrongAtOnce };

class ProtocolWorldImpl : public LanWorld {
 public:
  ProtocolWorldImpl() {
    addresses_.SetNameResolve(false);
    settings_.ownAddress = kWorkstation;
    settings_.netMask = 0xFFFFFF00;
    Start();
  }

  Event Choose(Random& random) override {
    if (random.Chance(45))
      return ChooseShared(random);
    static const std::uint16_t weights[][2] = {
        {kRegister, 14},  {kPassword, 6},       {kCancelPrompt, 2}, {kRead, 5},
        {kWrite, 12},     {kAccounting, 10},    {kConnect, 3},      {kDisconnect, 2},
        {kParameters, 4}, {kChangePassword, 2}, {kDeregister, 8},   {kExit, 3},
        {kStart, 6}};
    return ChooseWeighted(random, weights);
  }

  void Apply(const Event& event) override {
    if (!ApplyShared(event))
      ApplyUser(event);
  }

 protected:
  const std::vector<std::string>& UserEventNames() const override { return Names(); }
  RouterProtocol* tool() override { return protocol_.get(); }
  bool waitingForUser() const override { return promptOpen_; }

  void TickTool() override {
    if (!protocol_) {
      lan_.AdvanceMs(1000);
      return;
    }
    lan_.Tick(*protocol_);
  }

  void ApplyUser(const Event& event) override {
    if (event.kind == kStart) {
      if (!protocol_)
        Start();
      return;
    }
    if (!protocol_)
      return;
    RouterProtocol& p = *protocol_;
    const std::uint32_t a = event.argument;
    const bool idle = !p.chainRunning() && !p.requestOutstanding();
    const bool registered = p.state() == ProtocolState::Registered;
    switch (event.kind) {
      case kRegister:
        if (p.state() == ProtocolState::Idle && !promptOpen_)
          Register(static_cast<int>(a % kRouterCount), static_cast<Habit>(a / 3 % 3));
        break;
      case kPassword:
        if (promptOpen_) {
          promptOpen_ = false;
          if (p.state() == ProtocolState::PasswordRequested)
            p.SendPassword(challenge_, a % 2 ? "wrong" : "secret", seed_);
        }
        break;
      case kCancelPrompt:
        if (promptOpen_) {
          promptOpen_ = false;
          if (p.state() == ProtocolState::PasswordRequested)
            p.AbandonPasswordPrompt();
        }
        break;
      case kRead:
        if (registered && idle && working_)
          p.ReadConfiguration(working_->lineTargets.count(), working_->routes.count(),
                              working_->filters.count(),
                              Once("read", [this](Configuration& c) { Loaded(c); }));
        break;
      case kWrite:
        if (registered && idle && working_)
          Write(a);
        break;
      case kAccounting:
        if (registered && idle && working_) {
          auto done = Once("accounting", [](LineTargetList&) {});
          if (a % 2)
            p.ReadAndResetAccounting(done, &working_->lineTargets);
          else
            p.ReadAccounting(done, &working_->lineTargets);
        }
        break;
      case kConnect:
        if (registered && idle && working_ && working_->lineTargets.count() > 0)
          p.ConnectLineTarget(static_cast<int>(a % working_->lineTargets.count()) + 1);
        break;
      case kDisconnect:
        if (registered && idle)
          p.DisconnectChannel(static_cast<int>(a % 2) + 1);
        break;
      case kParameters:
        if (registered && idle) {
          RouterParameters parameters = parameters_;
          parameters.phoneNumber = ("03011" + std::to_string(a % 100)).c_str();
          p.WriteRouterParameters(Once("parameter write", [] {}), parameters);
        }
        break;
      case kChangePassword:
        if (registered && idle) {
          // The same password again: the exchange without changing what
          // later registrations need.
          const char* password = p.registeredRouter() == RouterAddress(1) ? "secret" : "";
          p.ChangePassword(Once("password change", [] {}), password, password, a % 2 == 1);
        }
        break;
      case kDeregister:
        if (p.state() != ProtocolState::Idle) {
          promptOpen_ = false;
          EndSession();
        }
        break;
      case kExit:
        EndSession();
        for (int i = 0; i < kReleaseTicks && p.releasePending(); ++i) {
          TickTool();
          ++tick_;
        }
        protocol_.reset();
        promptOpen_ = false;
        break;
    }
  }

  std::optional<Violation> CheckWorld() override {
    if (failedWrite_)
      return std::exchange(failedWrite_, std::nullopt);
    if (!writeApplied_ || !protocol_ || protocol_->state() != ProtocolState::Registered ||
        protocol_->chainRunning() || !working_)
      return std::nullopt;
    const int router = static_cast<int>(protocol_->registeredRouter() - RouterAddress(0));
    if (router < 0 || router >= kRouterCount)
      return std::nullopt;
    const TableTexts tool = ToolTables(*working_);
    const TableTexts held = RouterTables(lan_.router(static_cast<std::size_t>(router)));
    if (tool == held)
      return std::nullopt;
    return Violation{"write-applied",
                     "after a completed write the working lists differ from the "
                     "router's tables: " +
                         DescribeDifference(tool, held)};
  }

 private:
  void Start() {
    protocol_ = std::make_unique<RouterProtocol>(lan_, settings_, tables_, addresses_);
    protocol_->OpenRouterProtocol([this](int code) { OnError(code); }, 0xC63364FF);
    protocol_->SetRegistrationAbandonedCallback([this] { Forget(); });
    Forget();
  }

  void Forget() {
    promptOpen_ = false;
    working_.reset();
    saved_.reset();
    writeApplied_ = false;
    writing_ = false;
  }

  // The front ends' end of a session: Deregister, and the registration's
  // values go.
  // A write still running ends unconfirmed: the CLI prints what the
  // router confirmed, what it may hold and what was never sent.
  void EndSession() {
    if (protocol_)
      protocol_->Deregister();
    ReportBrokenWrite();
    Forget();
  }

  void ReportBrokenWrite() {
    if (!writing_ || !protocol_)
      return;
    writing_ = false;
    const WriteProgress progress = protocol_->writeProgress();
    const int router = static_cast<int>(writeRouter_ - RouterAddress(0));
    if (router >= 0 && router < kRouterCount && !failedWrite_)
      failedWrite_ = CheckWriteReport(router, writeOld_, writePlan_, progress);
  }

  void OnError(int) {
    // Both front ends give up the session on a network error.
    EndSession();
  }

  void Register(int router, Habit habit) {
    Forget();
    parameters_ = RouterParameters{};
    protocol_->Register(
        [this, habit, router](const RegistrationResult& result) {
          switch (result.kind) {
            case RegistrationKind::PasswordRequested:
              if (habit == Habit::PasswordLater) {
                promptOpen_ = true;
                challenge_ = result.challengeSequence;
                seed_ = result.seed;
              } else {
                protocol_->SendPassword(result.challengeSequence,
                                        habit == Habit::WrongAtOnce ? "wrong" : "secret",
                                        result.seed);
              }
              break;
            case RegistrationKind::Accepted:
              promptOpen_ = false;
              ApplyRegistration(result, DottedQuad(RouterAddress(router)), parameters_);
              protocol_->ReadConfiguration(
                  result.lineTargetCount, result.routeCount, result.filterCount,
                  Once("configuration read", [this](Configuration& c) { Loaded(c); }));
              break;
            case RegistrationKind::Refused:
              promptOpen_ = false;
              break;
          }
        },
        RouterAddress(router));
  }

  void Loaded(Configuration& configuration) {
    working_ = std::move(configuration);
    saved_ = working_->Clone();
    writeApplied_ = false;
  }

  // One to three valid changes to the working lists, then the write of
  // all three lists.
  void Write(std::uint32_t choice) {
    for (std::uint32_t k = 0; k <= choice % 3; ++k)
      Change(static_cast<std::uint32_t>((choice * (2 * k + 1) + 97 * k) % 1000));
    writing_ = true;
    writeApplied_ = false;
    writeRouter_ = protocol_->registeredRouter();
    writeOld_ = ToolTables(*saved_);
    Configuration& work = *working_;
    NumberTablePositions(work.lineTargets);
    NumberTablePositions(work.routes);
    NumberTablePositions(work.filters);
    writePlan_ = PlanConfigurationWrite(work, *saved_);
    auto written = std::make_shared<Configuration>(work.Clone());
    protocol_->WriteConfiguration(writePlan_, Once("write", [this, written](int) {
                                    if (saved_)
                                      saved_ = written->Clone();
                                    writing_ = false;
                                    writeApplied_ = true;
                                  }));
  }

  void Change(std::uint32_t choice) {
    Configuration& work = *working_;
    const int n = work.lineTargets.count();
    const int pick = static_cast<int>(choice / 5 % 8) + 1;
    switch (choice % 5) {
      case 0:
      case 1:
      case 2:
        EditLineTargets(work, static_cast<int>(choice % 5), pick, choice);
        break;
      case 3:
        if (work.routes.count() < 8) {
          RouteEntry route;
          route.netmask = "255.255.255.0";
          route.match = ("10." + std::to_string(choice % 200) + ".0.0").c_str();
          route.gateway = n > 0 ? work.lineTargets.NodeAt(1)->hostName : AddressText("0.0.0.0");
          route.tablePosition = work.routes.count();
          work.routes.Append(route);
        }
        break;
      case 4:
        if (pick <= work.routes.count()) {
          const RouteEntry& gone = *work.routes.NodeAt(pick);
          UserDeleted(gone.netmask.str() + " " + gone.match.str() + " " + gone.gateway.str());
          work.routes.RemoveAt(pick);
        }
        break;
    }
  }

  FakeNetDatabase database_;
  AddressService addresses_{database_};
  ProtocolTables tables_;
  GuiSettings settings_;
  std::unique_ptr<RouterProtocol> protocol_;

  bool promptOpen_ = false;
  std::uint16_t challenge_ = 0, seed_ = 0;
  RouterParameters parameters_;
  std::optional<Configuration> working_, saved_;
  bool writing_ = false, writeApplied_ = false;
  std::uint32_t writeRouter_ = 0;
  TableTexts writeOld_;
  WritePlan writePlan_;
  std::optional<Violation> failedWrite_;
};

}  // namespace

WorldKind ProtocolWorld() {
  return {"protocol", [] { return std::make_unique<ProtocolWorldImpl>(); }};
}

}  // namespace tarcfg::simulation
