// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/session.h"

#include "cli/cli_text.h"
#include "cli/password_input.h"

#include <csignal>
#include <cstdlib>
#include <iostream>

#include "config/reports.h"
#include "config/stop_signals.h"
#include "config/string_table.h"
#include "protocol/router_rules.h"
#include "protocol/transactions.h"

namespace tarcfg::cli {
namespace {

constexpr std::int64_t kTickMs = 1000;

bool SameStartIgnoringCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

}  // namespace

RouterSession::RouterSession(CliContext& context) : context_(context) {
  protocol_ = std::make_unique<RouterProtocol>(context.socket(), context.settings(),
                                               context.tables(), context.addresses());
}

RouterSession::~RouterSession() {
  // The command is over and no tick follows: every router this session let
  // go of is told the rest of its repetitions now.
  protocol_->FinishReleases();
}

bool RouterSession::Open(std::function<void(int code)> onError) {
  const int result =
      protocol_->OpenRouterProtocol(std::move(onError), BroadcastAddress(context_.settings()));
  if (result != 0) {
    PrintError(PortBindMessage(result == -1000 ? 0 : protocol_->openErrorNumber()));
    return false;
  }
  return true;
}

bool RouterSession::Open() {
  if (!Open([this](int code) { OnNetworkError(code); }))
    return false;
  protocol_->SetRegistrationAbandonedCallback([this] {
    if (!failed_)
      PrintError(Problem(RouterName(),
                         Say(CliText::tr("the router ended the registration without an answer"))));
    failed_ = true;
  });
  return true;
}

std::string RouterSession::RouterName() const {
  if (!target_.name.empty())
    return target_.name;
  return target_.hardwareKnown ? FormatHardwareAddress(target_.hardwareAddress) : std::string();
}

void RouterSession::OnNetworkError(int code) {
  // A router that does not acknowledge is the common case (switched off,
  // unplugged, a wrong address): said as such, with the error number that
  // scripts look for.
  PrintError(Problem(RouterName(),
                     code == kErrorNoAcknowledge
                         ? Say(CliText::tr("router did not answer (Error code: %1)").arg(code))
                         : NetworkErrorMessage(code)));
  failed_ = true;
}

bool RouterSession::RunUntil(const std::function<bool()>& done, int seconds) {
  return RunLoop(done, seconds, 1);
}

bool RouterSession::RunWhileStopping(const std::function<bool()>& done, int seconds) {
  return RunLoop(done, seconds, 2);
}

bool RouterSession::RunLoop(const std::function<bool()>& done, int seconds, int stopSignals) {
  Driver& driver = context_.driver();
  const std::int64_t deadline = driver.NowMs() + std::int64_t{seconds} * 1000;
  std::int64_t nextTick = driver.NowMs() + kTickMs;
  while (!done()) {
    if (failed_)
      return false;
    // Standard output closed (the reader of a pipe has gone): the end, as a
    // stop signal is; SIGPIPE itself is ignored while the signals are caught.
    if (std::cout.bad() && StopSignals::caught() == 0)
      StopSignals::Note(SIGPIPE);
    if (StopSignals::count() >= stopSignals)
      return false;
    const std::int64_t now = driver.NowMs();
    if (now >= deadline) {
      PrintError(Problem(RouterName(), LoadString(40008)));
      failed_ = true;
      return false;
    }
    if (now >= nextTick) {
      if (now - nextTick >= kTickMs) {
        // The loop was held up (a password typed late, a stopped process).
        // The ticks it missed are not run back to back: that would count
        // the whole pause against the request that just went out and give
        // it up within milliseconds. What arrived meanwhile is taken first,
        // and the schedule starts again from now.
        driver.Wait(*protocol_, now);
        nextTick = now;
      }
      nextTick += kTickMs;
      protocol_->OnTimerTick();
      continue;
    }
    driver.Wait(*protocol_, nextTick);
  }
  return true;
}

void RouterSession::RunFor(double seconds) {
  Driver& driver = context_.driver();
  const std::int64_t end = driver.NowMs() + static_cast<std::int64_t>(seconds * 1000);
  RunUntil([&] { return driver.NowMs() >= end; }, static_cast<int>(seconds) + 5);
}

std::optional<std::vector<FoundRouter>> RouterSession::OpenAndScan() {
  if (!Open())
    return std::nullopt;
  std::vector<FoundRouter> routers = Scan();
  if (failed())
    return std::nullopt;
  return routers;
}

std::vector<FoundRouter> RouterSession::Scan() {
  std::vector<FoundRouter> routers;
  bool ended = false;
  AddressService& addresses = context_.addresses();
  const std::uint32_t own = context_.settings().ownAddress;
  protocol_->ScanNetwork([&](const ScanAnswer& answer) {
    if (answer.end) {
      ended = true;
      return;
    }
    const std::string line = FormatRouterLine(addresses, answer.routerAddress,
                                              answer.hardwareAddress, answer.registeredHost, own);
    for (const auto& known : routers)
      if (SameStartIgnoringCase(known.line, line))
        return;
    routers.push_back({answer, line, RouterDisplayName(addresses, answer.routerAddress),
                       FormatHardwareAddress(answer.hardwareAddress)});
  });
  RunUntil([&] { return ended; }, 30);
  return routers;
}

std::optional<FoundRouter> RouterSession::FindRouter(
    const std::function<bool(const ScanAnswer&)>& matches) {
  constexpr int kScansBeforeAbsent = 3;
  for (int scan = 0; scan < kScansBeforeAbsent && !failed_; ++scan)
    for (auto& router : Scan())
      if (matches(router.answer))
        return std::move(router);
  return std::nullopt;
}

std::optional<RouterSession::Target> RouterSession::ResolveRouter(const QString& text,
                                                                  bool needHardwareAddress) {
  Target target;
  HardwareAddress hardware{};
  const std::string argument = text.toStdString();
  if (ParseHardwareAddress(argument, &hardware)) {
    if (auto router = FindRouter(
            [&](const ScanAnswer& answer) { return answer.hardwareAddress == hardware; })) {
      target.address = router->answer.routerAddress;
      target.hardwareAddress = hardware;
      target.hardwareKnown = true;
      target.registeredHost = router->answer.registeredHost;
      target.name = target.address ? DottedQuad(target.address) : std::string();
      target_ = target;
      return target;
    }
    if (!failed_)
      PrintError(
          Problem(argument, Say(CliText::tr("no router with this hardware address answered"))));
    failed_ = true;
    return std::nullopt;
  }
  target.address = context_.addresses().ResolveAddress(argument);
  if (target.address == 0) {
    PrintError(Problem(argument, Say(CliText::tr("not a router address"))));
    failed_ = true;
    return std::nullopt;
  }
  target.name = DottedQuad(target.address);
  target_ = target;
  if (needHardwareAddress) {
    if (auto router = FindRouter(
            [&](const ScanAnswer& answer) { return answer.routerAddress == target.address; })) {
      target.hardwareAddress = router->answer.hardwareAddress;
      target.hardwareKnown = true;
      target.registeredHost = router->answer.registeredHost;
      target_ = target;
    }
    if (!target.hardwareKnown) {
      if (!failed_)
        PrintError(Problem(target.name, Say(CliText::tr("router did not answer the scan"))));
      failed_ = true;
      return std::nullopt;
    }
  }
  return target;
}

std::optional<std::string> RouterSession::AskPassword(const QString& passwordOption) {
  if (!passwordOption.isNull())
    return passwordOption.toStdString();
  if (const char* env = std::getenv("TARCFG_PASSWORD"))
    return std::string(env);
  return PromptSecret(Say(CliText::tr("Enter Your Password: ")));
}

bool RouterSession::RegisterAndLoad(const Target& target, const QString& passwordOption) {
  bool loaded = false;
  bool refused = false;
  target_ = target;
  current_ = RouterParameters{};
  // From here until the deregistration has gone out, a second stop signal
  // waits like the first.
  StopSignals::SetHolding(true);
  protocol_->Register(
      [&](const RegistrationResult& result) {
        switch (result.kind) {
          case RegistrationKind::Accepted:
            ApplyRegistration(result, target.name, current_);
            if (password_)
              current_.password = *password_;
            current_.exclusiveToThisHost = target.registeredHost != 0 &&
                                           target.registeredHost == context_.settings().ownAddress;
            protocol_->ReadConfiguration(result.lineTargetCount, result.routeCount,
                                         result.filterCount, [&](Configuration& configuration) {
                                           configuration_ = std::move(configuration);
                                           saved_ = configuration_.Clone();
                                           loaded = true;
                                         });
            break;
          case RegistrationKind::PasswordRequested: {
            // The challenge's acknowledgement must not wait for the typing.
            protocol_->FlushSends();
            password_ = AskPassword(passwordOption);
            if (StopSignals::caught() != 0) {
              // Stopped at the prompt: the candidate is released by the
              // deregistration that every way out ends with.
              password_.reset();
              refused = true;
              return;
            }
            if (!password_) {
              protocol_->AbandonPasswordPrompt();
              PrintError(Problem(target.name, Say(CliText::tr("the router asks for a password "
                                                              "(use -p or TARCFG_PASSWORD)"))));
              refused = true;
              return;
            }
            if (password_->size() > kPasswordWireLength) {
              protocol_->AbandonPasswordPrompt();
              PrintError(Problem(target.name, PasswordTooLongMessage()));
              refused = true;
              return;
            }
            protocol_->SendPassword(result.challengeSequence, *password_, result.seed);
            break;
          }
          case RegistrationKind::Refused:
            refused = true;
            PrintError(Problem(target.name, RegistrationRefusalMessage(result)));
            break;
        }
      },
      target.address);
  if (!RunUntil([&] { return loaded || refused; }, 300))
    return false;
  if (refused)
    failed_ = true;
  return loaded;
}

void RouterSession::Deregister() {
  // The protocol sends 0x1003 in every state that holds or may yet hold the
  // router (registered, mid-request, a candidate), and nothing otherwise.
  if (!leaveRegistered_)
    protocol_->Deregister();
  // The command ends after this and no tick follows: the repetitions of
  // every deregistration still due go out now, before a second stop signal
  // may end the process.
  protocol_->FinishReleases();
  StopSignals::SetHolding(false);
}

const QCommandLineOption& PasswordOption() {
  static const QCommandLineOption option(
      {"p", "password"},
      CliText::tr("Registration password (else $TARCFG_PASSWORD, else a prompt on a terminal)."),
      "PASSWORD");
  return option;
}

QString PasswordArgument(const QCommandLineParser& parser) {
  return parser.isSet(PasswordOption()) ? parser.value(PasswordOption()) : QString();
}

void AddRouterArguments(QCommandLineParser& parser) {
  parser.addPositionalArgument("ROUTER", CliText::tr("Address, host name or hardware address."));
  parser.addOption(PasswordOption());
}

int RegisterWithArgument(RouterSession& session, const QCommandLineParser& parser,
                         bool needHardwareAddress) {
  if (!session.context().LoadProtocolDefinitions())
    return kExitFile;
  if (!session.Open())
    return kExitRefused;
  auto target = session.ResolveRouter(parser.positionalArguments().at(0), needHardwareAddress);
  if (!target || !session.RegisterAndLoad(*target, PasswordArgument(parser)))
    return kExitRefused;
  return kExitOk;
}

std::string UnixLineEnds(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
      continue;
    out += text[i];
  }
  return out;
}

}  // namespace tarcfg::cli
