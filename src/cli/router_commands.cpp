// The commands that change the router itself: set (password and router
// parameters) and firmware (full reconfiguration by download).
#include <unistd.h>

#include <iostream>

#include "cli/commands.h"
#include "cli/history_support.h"
#include "cli/router_command.h"
#include "cli/session.h"
#include "config/field_checks.h"
#include "config/firmware_files.h"
#include "config/reports.h"
#include "config/router_changes.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

std::string MaxCharacters(int count) {
  std::string text = LoadString(61706);
  const auto at = text.find("%1");
  if (at != std::string::npos)
    text.replace(at, 2, std::to_string(count));
  return text;
}

// The Router Configuration dialog's checks of address, phone and mask, in
// its order. Prints the first failure; `wanted` gets the typed values.
bool CheckRouterFields(CliContext& context, const QCommandLineParser& parser,
                       RouterParameters& wanted, bool askOwnNetwork) {
  AddressService& addresses = context.addresses();
  if (parser.isSet("ip")) {
    const std::string ip = RemoveBlanks(parser.value("ip").toStdString());
    if (!IsValidAddressField(ip, addresses)) {
      PrintError(LoadString(40004));
      return false;
    }
    wanted.name = ip;
  }
  if (parser.isSet("phone")) {
    const std::string phone = RemoveBlanks(parser.value("phone").toStdString());
    if (!IsValidPhoneNumber(phone)) {
      PrintError(LoadString(40104));
      return false;
    }
    wanted.phoneNumber = phone;
  }
  if (parser.isSet("netmask")) {
    const std::string mask = RemoveBlanks(parser.value("netmask").toStdString());
    if (!IsValidAddressField(mask, addresses)) {
      PrintError(LoadString(40004));
      return false;
    }
    wanted.netmask = mask;
  }
  if (wanted.netmask.empty())
    wanted.netmask = DottedQuad(context.settings().netMask);
  const std::uint32_t mask = addresses.ResolveAddress(wanted.netmask.view());
  const std::uint32_t router = addresses.ResolveAddress(wanted.name.view());
  const std::uint32_t own = context.settings().ownAddress;
  if (askOwnNetwork && !InOwnNetwork(mask, router, own) && !parser.isSet("yes")) {
    bool yes = false;
    if (::isatty(STDIN_FILENO)) {
      std::cerr << LoadString(40110) << " [y/N] " << std::flush;
      std::string answer;
      std::getline(std::cin, answer);
      yes = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    } else {
      PrintError(std::string(LoadString(40110)) + " (answer with --yes)");
    }
    if (!yes)
      return false;
  }
  if (!IsDiallableRouterNumber(wanted.phoneNumber.view())) {
    PrintError(LoadString(40104));
    return false;
  }
  return true;
}

void AddRouterFieldOptions(QCommandLineParser& parser) {
  parser.addOption({"ip", "The router's new IP address.", "A"});
  parser.addOption({"netmask", "The router's new net mask.", "M"});
  parser.addOption({"phone", "The router's own ISDN number.", "P"});
  parser.addOption({"yes", "Use an address outside the local network without asking."});
}

class SetCommand : public RouterCommand {
 public:
  QString name() const override { return "set"; }
  QString synopsis() const override {
    return "ROUTER [--ip A] [--netmask M] [--phone P] [--new-password PW] "
           "[--exclusive|--no-exclusive] [--no-history]";
  }
  QString description() const override {
    return "Change the router's address, mask, phone number, password or exclusive right.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    AddRouterFieldOptions(parser);
    parser.addOption(
        {"new-password", "The new registration password (at most 10 characters).", "PW"});
    parser.addOption({"exclusive", "Only this host may configure the router."});
    parser.addOption({"no-exclusive", "Any host may configure the router."});
    AddNoHistoryOption(parser);
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }

  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    if (parser.isSet("exclusive") && parser.isSet("no-exclusive")) {
      PrintError("tarcfg-cli set: --exclusive and --no-exclusive exclude each other");
      return kExitUsage;
    }
    if (parser.isSet("new-password") &&
        parser.value("new-password").toStdString().size() > kPasswordWireLength) {
      PrintError(MaxCharacters(static_cast<int>(kPasswordWireLength)));
      return kExitUsage;
    }
    return kContinue;
  }
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser&) override { return true; }
  int Resolved(RouterSession& session, const QCommandLineParser&) override {
    if (session.target().address == 0) {
      PrintError(
          "tarcfg-cli set: the router has no IP address yet; use 'firmware' to configure it");
      return kExitRefused;
    }
    return kContinue;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    CliContext& context = session.context();
    // The exclusive right as the scan reported it for this host.
    RouterParameters& current = session.current();
    RouterParameters wanted = current;
    if (!CheckRouterFields(context, parser, wanted, true))
      return kExitUsage;
    if (parser.isSet("new-password"))
      wanted.password = parser.value("new-password").toStdString();
    if (parser.isSet("exclusive"))
      wanted.exclusiveToThisHost = 1;
    if (parser.isSet("no-exclusive"))
      wanted.exclusiveToThisHost = 0;

    const int kind = CompareRouterParameters(current, wanted);
    if (kind == kNoChange) {
      std::cout << "Nothing to change.\n";
      return kExitOk;
    }
    if (!KeepHistoryBeforeWrite(session, parser, "tarcfg-cli set",
                                DescribeRouterParameterChanges(current, wanted)))
      return kExitFile;
    RouterProtocol& protocol = session.protocol();
    bool done = false;
    auto writeParameters = [&] { protocol.WriteRouterParameters([&] { done = true; }, wanted); };
    if (kind == kPasswordChange || kind == kPasswordAndParameterChange) {
      protocol.ChangePassword(
          [&] {
            if (kind == kPasswordAndParameterChange)
              writeParameters();
            else
              done = true;
          },
          wanted.password.view(), current.password.view(), wanted.exclusiveToThisHost != 0);
    } else {
      writeParameters();
    }
    if (!session.RunUntil([&] { return done; }))
      return kExitRefused;
    std::cout << LoadString(40111) << "\n";
    return kExitOk;
  }
};

void PrintProgress(int percent) {
  if (!::isatty(STDERR_FILENO))
    return;
  const int width = 40;
  const int filled = percent * width / 100;
  std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
            << std::string(static_cast<std::size_t>(width - filled), ' ') << "] " << percent << "%"
            << std::flush;
  if (percent >= 100)
    std::cerr << "\n" << LoadString(1015) << "\n";
}

class FirmwareCommand : public RouterCommand {
 public:
  QString name() const override { return "firmware"; }
  QString synopsis() const override {
    return "ROUTER [--mode 1TR6|DSS1|FV64S|FVS01|FVS02] [--version V] [--ip A] [--netmask M] "
           "[--phone P] [--no-history]";
  }
  QString description() const override {
    return "Reconfigure the router by downloading firmware with its configuration embedded.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addOption({"mode", "Operating mode: 1TR6, DSS1, FV64S, FVS01 or FVS02.", "MODE"});
    parser.addOption({"version", "Firmware version (default: the newest for the mode).", "V"});
    AddRouterFieldOptions(parser);
    AddNoHistoryOption(parser);
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }

  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    if (parser.isSet("mode") && !FindOperatingMode(parser.value("mode").toStdString())) {
      PrintError("tarcfg-cli firmware: unknown mode " + parser.value("mode").toStdString());
      return kExitUsage;
    }
    return kContinue;
  }
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser&) override { return true; }
  // A router in its loader has no address to register with: the download
  // goes to its hardware address.
  int Resolved(RouterSession& session, const QCommandLineParser& parser) override {
    if (session.target().address != 0)
      return kContinue;
    if (!parser.isSet("ip")) {
      PrintError("tarcfg-cli firmware: the router has no IP address yet; give it one with --ip");
      return kExitUsage;
    }
    session.current() = RouterParameters{};
    session.current().dChannelProtocol = 255;  // not known
    return kWithoutRegistration;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    CliContext& context = session.context();
    const OperatingModeEntry* mode =
        parser.isSet("mode") ? FindOperatingMode(parser.value("mode").toStdString()) : nullptr;
    const RouterSession::Target* target = &session.target();
    const bool loader = target->address == 0;
    RouterParameters current = session.current();
    RouterParameters pending = current;
    if (!CheckRouterFields(context, parser, pending, true))
      return kExitUsage;
    if (mode) {
      pending.permanentConnection = static_cast<std::uint8_t>(mode->permanentConnection);
      if (mode->dChannelProtocol != kKeepDChannelProtocol)
        pending.dChannelProtocol = static_cast<std::uint8_t>(mode->dChannelProtocol);
    }
    if (pending.dChannelProtocol == 255 &&
        (!mode || mode->dChannelProtocol == kKeepDChannelProtocol))
      pending.dChannelProtocol = 1;
    const std::string directory = context.settings().firmwarePath;
    std::string version = parser.value("version").toStdString();
    if (version.empty())
      version = NewestFirmwareVersion(directory, pending.dChannelProtocol);
    if (version.empty()) {
      PrintError(std::string("tarcfg-cli firmware: no ") +
                 FirmwarePrefix(pending.dChannelProtocol) + "* file in " + directory);
      return kExitFile;
    }
    pending.firmwareVersion = version;

    // The tables that go with the firmware: none for a router without an
    // address, empty ones for a permanent connection, else the router's own.
    const Configuration empty;
    const Configuration* tables = nullptr;
    if (!loader)
      tables = pending.permanentConnection != 0 ? &empty : &session.configuration();
    // A router in its loader has told nothing that could be kept.
    if (!loader) {
      std::vector<std::string> sending{
          std::string("firmware ") + FirmwarePrefix(pending.dChannelProtocol) + version + ": " +
          FirmwareText(version, pending.dChannelProtocol, pending.permanentConnection)};
      for (const auto& line : DescribeRouterParameterChanges(current, pending))
        sending.push_back(line);
      sending.push_back(tables == &empty ? "line targets, routes and filters: none"
                                         : "line targets, routes and filters: the router's own");
      if (!KeepHistoryBeforeWrite(session, parser, "tarcfg-cli firmware", sending))
        return kExitFile;
    }
    bool finished = false;
    ScanAnswer announced;
    const bool started = session.protocol().DownloadFirmware(
        target->hardwareAddress, pending, tables ? &tables->lineTargets : nullptr,
        tables ? &tables->routes : nullptr, tables ? &tables->filters : nullptr,
        [&](const ScanAnswer& answer) {
          announced = answer;
          finished = true;
        },
        PrintProgress);
    if (!started) {
      PrintError(LoadString(40109));
      return kExitFile;
    }
    // The download restarts the router; it ends the registration itself.
    session.LeaveRegistered();
    if (::isatty(STDERR_FILENO))
      std::cerr << LoadString(1013) << "\n";
    if (!session.RunUntil([&] { return finished; }, 1800))
      return kExitRefused;
    if (announced.end)
      return kExitRefused;
    std::cout << FormatRouterLine(context.addresses(), announced.routerAddress,
                                  announced.hardwareAddress, announced.registeredHost,
                                  context.settings().ownAddress)
              << "\n";
    return kExitOk;
  }
};

}  // namespace

std::unique_ptr<Command> MakeSetCommand() {
  return std::make_unique<SetCommand>();
}

std::unique_ptr<Command> MakeFirmwareCommand() {
  return std::make_unique<FirmwareCommand>();
}

}  // namespace tarcfg::cli
