// The commands that find routers and move whole configurations: scan,
// overview, read, backup and write.
#include <QDir>
#include <QSaveFile>
#include <cstdlib>
#include <iostream>
#include <map>

#include "cli/commands.h"
#include "cli/history_support.h"
#include "cli/router_command.h"
#include "cli/session.h"
#include "config/config_file.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

std::string AddressOrNull(std::uint32_t address) {
  return address ? JsonString(DottedQuad(address)) : std::string("null");
}

ConfigContext FileContext(CliContext& context) {
  return ConfigContext{context.tables(), context.addresses(), context.database()};
}

// Writes a configuration read from a router; "-" or empty is standard output.
bool SaveConfiguration(RouterSession& session, const std::string& path) {
  const ConfigContext files = FileContext(session.context());
  const Configuration& c = session.configuration();
  if (path.empty() || path == "-") {
    std::cout << FormatConfigFile(c.lineTargets, c.routes, c.filters, session.current(), files);
    std::cout.flush();
    return true;
  }
  const ConfigWriteResult written =
      WriteConfigFile(path, c.lineTargets, c.routes, c.filters, session.current(), files);
  if (!written) {
    PrintError(ConfigWriteMessage(written));
    return false;
  }
  return true;
}

void WarnUndefinedProtocols(const Configuration& configuration) {
  int undefined = 0;
  for (const auto& target : configuration.lineTargets)
    if (target.layer2Protocol == kNoProtocol)
      ++undefined;
  if (undefined)
    PrintError("tarcfg-cli: " + std::to_string(undefined) +
               " line target(s) use a layer-2 protocol missing from tarcfg.pro and are left out");
}

// Remembers the routers of a scan for the shell's completion of router
// arguments: $XDG_CACHE_HOME/tarcfg/routers, one "hardware address<TAB>name"
// line each. Only a cache: nothing fails when it cannot be written.
void CacheScan(const std::vector<FoundRouter>& routers) {
  std::string directory;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
    directory = cache;
  else if (const char* home = std::getenv("HOME"); home && *home)
    directory = std::string(home) + "/.cache";
  else
    return;
  directory += "/tarcfg";
  if (!QDir().mkpath(QString::fromStdString(directory)))
    return;
  std::string text;
  for (const auto& r : routers)
    text += r.hardwareAddress + "\t" + r.displayName + "\n";
  QSaveFile file(QString::fromStdString(directory + "/routers"));
  if (file.open(QIODevice::WriteOnly)) {
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.commit();
  }
}

class ScanCommand : public Command {
 public:
  QString name() const override { return "scan"; }
  QString synopsis() const override { return "[--json]"; }
  QString description() const override { return "List the routers of the local network."; }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    parser.addOption({"json", "Print a JSON array."});
  }
  int Execute(CliContext& context, const QCommandLineParser& parser) override {
    if (!context.LoadProtocolDefinitions())
      return kExitFile;
    RouterSession session(context);
    if (!session.Open())
      return kExitRefused;
    const auto routers = session.Scan();
    if (session.failed())
      return kExitRefused;
    CacheScan(routers);
    const std::uint32_t own = context.settings().ownAddress;
    if (parser.isSet("json")) {
      std::cout << "[";
      for (std::size_t i = 0; i < routers.size(); ++i) {
        const auto& r = routers[i];
        const bool held = r.answer.registeredHost != 0 && r.answer.registeredHost != own;
        std::cout << (i ? ",\n " : "\n ")
                  << "{\"hardwareAddress\": " << JsonString(r.hardwareAddress)
                  << ", \"name\": " << JsonString(r.displayName)
                  << ", \"address\": " << AddressOrNull(r.answer.routerAddress)
                  << ", \"registeredHost\": " << AddressOrNull(r.answer.registeredHost)
                  << ", \"heldByOther\": " << (held ? "true" : "false") << "}";
      }
      std::cout << (routers.empty() ? "]\n" : "\n]\n");
      return kExitOk;
    }
    if (routers.empty())
      std::cout << LoadString(1016) << "\n";
    for (const auto& r : routers)
      std::cout << r.line << "\n";
    return kExitOk;
  }
};

class OverviewCommand : public Command {
 public:
  QString name() const override { return "overview"; }
  QString synopsis() const override { return "[--json]"; }
  QString description() const override {
    return "Show firmware and channel states of every router (the Router Overview report).";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    parser.addOption({"json", "Print a JSON array."});
  }
  int Execute(CliContext& context, const QCommandLineParser& parser) override {
    if (!context.LoadProtocolDefinitions())
      return kExitFile;
    RouterSession session(context);
    if (!session.Open())
      return kExitRefused;
    const auto routers = session.Scan();
    if (session.failed())
      return kExitRefused;

    // Only the first answer of each router counts, matched by its name text.
    std::map<std::string, OverviewAnswer> answers;
    bool ended = false;
    session.protocol().QueryRouterOverview([&](const OverviewAnswer& answer) {
      if (answer.end) {
        ended = true;
        return;
      }
      answers.emplace(context.addresses().FormatAddress(answer.routerAddress), answer);
    });
    if (!session.RunUntil([&] { return ended; }, 30))
      return kExitRefused;

    const bool json = parser.isSet("json");
    std::string text;
    if (json)
      std::cout << "[";
    bool first = true;
    for (const auto& router : routers) {
      auto it = answers.find(router.displayName);
      if (json) {
        std::cout << (first ? "\n " : ",\n ")
                  << "{\"hardwareAddress\": " << JsonString(router.hardwareAddress)
                  << ", \"name\": " << JsonString(router.displayName)
                  << ", \"responded\": " << (it != answers.end() ? "true" : "false");
        if (it != answers.end()) {
          const OverviewAnswer& a = it->second;
          std::cout << ", \"firmware\": " << JsonString(a.firmwareVersion)
                    << ", \"dChannelProtocol\": "
                    << JsonString(DChannelProtocolName(a.dChannelProtocol))
                    << ", \"permanentConnection\": " << a.permanentConnection
                    << ", \"channels\": [";
          for (std::size_t c = 0; c < 2; ++c) {
            const auto& ch = a.channels[c];
            std::cout << (c ? ", " : "") << "{\"state\": " << ch.state
                      << ", \"stateText\": " << JsonString(ChannelStateText(ch.state))
                      << ", \"remoteAddress\": "
                      << JsonString(context.addresses().FormatAddress(ch.remoteAddress))
                      << ", \"remoteName\": " << JsonString(ch.remoteName) << "}";
          }
          std::cout << "]";
        }
        std::cout << "}";
        first = false;
        continue;
      }
      if (it == answers.end()) {
        text += FormatString(1010, router.hardwareAddress.c_str());
        continue;
      }
      const OverviewAnswer& a = it->second;
      std::string channels[2];
      for (std::size_t c = 0; c < 2; ++c)
        channels[c] = OverviewChannelText(
            a.channels[c].state, context.addresses().FormatAddress(a.channels[c].remoteAddress),
            a.channels[c].remoteName);
      text += FormatString(
          1009, router.displayName.c_str(),
          FirmwareText(a.firmwareVersion, a.dChannelProtocol, a.permanentConnection).c_str(),
          channels[0].c_str(), channels[1].c_str());
    }
    if (json) {
      std::cout << (routers.empty() ? "]\n" : "\n]\n");
    } else {
      if (routers.empty())
        text = std::string(LoadString(1016)) + "\n";
      std::cout << UnixLineEnds(text);
    }
    return kExitOk;
  }
};

class ReadCommand : public RouterCommand {
 public:
  QString name() const override { return "read"; }
  QString synopsis() const override { return "ROUTER [-o FILE] [-p PASSWORD]"; }
  QString description() const override {
    return "Register with ROUTER, read its configuration and write it as a .cfg file.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addOption({{"o", "output"}, "The file to write (default: standard output).", "FILE"});
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    WarnUndefinedProtocols(session.configuration());
    const bool saved = SaveConfiguration(session, parser.value("output").toStdString());
    return saved ? kExitOk : kExitFile;
  }
};

class BackupCommand : public Command {
 public:
  QString name() const override { return "backup"; }
  QString synopsis() const override { return "[--dir DIR] [-p PASSWORD]"; }
  QString description() const override {
    return "Read every router of one scan into DIR, one file per router (198_51_100_10.cfg).";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    parser.addOption({"dir", "Where the files go (default: the current folder).", "DIR", "."});
    parser.addOption(PasswordOption());
  }
  int Execute(CliContext& context, const QCommandLineParser& parser) override {
    if (!context.LoadProtocolDefinitions())
      return kExitFile;
    const std::string dir = parser.value("dir").toStdString();
    if (!QDir(QString::fromStdString(dir)).exists()) {
      PrintError("tarcfg-cli: no folder " + dir);
      return kExitFile;
    }
    RouterSession session(context);
    if (!session.Open())
      return kExitRefused;
    const auto routers = session.Scan();
    if (session.failed())
      return kExitRefused;
    if (routers.empty()) {
      PrintError(LoadString(1016));
      return kExitRefused;
    }
    const int nameLength = MaxFileNameLength(dir);
    int failures = 0;
    for (const auto& router : routers) {
      if (router.answer.routerAddress == 0) {
        PrintError(router.hardwareAddress + ": no IP address (loader mode), skipped");
        ++failures;
        continue;
      }
      session.ClearFailure();
      RouterSession::Target target;
      target.address = router.answer.routerAddress;
      target.name = DottedQuad(target.address);
      std::cerr << router.displayName << ": " << std::flush;
      if (!session.RegisterAndLoad(target, PasswordArgument(parser))) {
        ++failures;
        continue;
      }
      const std::string file = dir + "/" + RememberedFileName(router.displayName, nameLength);
      if (SaveConfiguration(session, file)) {
        std::cerr << "saved to " << file << "\n";
        std::cout << file << "\n";
      } else {
        ++failures;
      }
      session.Deregister();
    }
    return failures ? kExitRefused : kExitOk;
  }
};

template <class Record>
void AppendChanges(std::vector<std::string>& lines, const char* table,
                   const RecordList<Record>& edited, const RecordList<Record>& saved,
                   const std::function<std::string(const Record&)>& text) {
  for (const auto& change : ComputeTableChanges(edited, saved))
    lines.push_back(std::string(table) + " " + std::to_string(change.position + 1) +
                    (change.deleted ? " deleted: " : " written: ") + text(change.record));
}

// The entries a write of `working` over `saved` sends, one line each.
std::vector<std::string> DescribeChanges(CliContext& context, const Configuration& working,
                                         const Configuration& saved) {
  std::vector<std::string> lines;
  AddressService& a = context.addresses();
  AppendChanges<LineTarget>(lines, "line target", working.lineTargets, saved.lineTargets,
                            [&](const LineTarget& t) {
                              const auto* l2 = context.tables().Layer2At(t.layer2Protocol);
                              return t.hostName.str() + " " + t.phoneNumber.str() + " " +
                                     (l2 ? l2->name.str() : std::string("?"));
                            });
  AppendChanges<RouteEntry>(lines, "route", working.routes, saved.routes, [](const RouteEntry& r) {
    return r.netmask.str() + " " + r.match.str() + " " + r.gateway.str();
  });
  AppendChanges<FilterEntry>(
      lines, "filter", working.filters, saved.filters, [&](const FilterEntry& f) {
        return f.sendNetmask.str() + " " + f.sendMatch.str() + " " + f.receiveNetmask.str() + " " +
               f.receiveMatch.str() + " " + FilterServiceText(f, a.database()) + " " +
               std::to_string(f.action);
      });
  return lines;
}

class WriteCommand : public RouterCommand {
 public:
  QString name() const override { return "write"; }
  QString synopsis() const override {
    return "ROUTER FILE [--dry-run] [--no-history] [-p PASSWORD]";
  }
  QString description() const override {
    return "Load FILE as Open... does and write what differs from the router's tables.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addPositionalArgument("FILE", "The .cfg file to apply.");
    parser.addOption({"dry-run", "List the entries that would be sent; send nothing."});
    AddNoHistoryOption(parser);
  }
  int minimumArguments() const override { return 2; }
  int maximumArguments() const override { return 2; }
  bool NeedsHardwareAddress(CliContext& context, const QCommandLineParser& parser) override {
    return HistoryWanted(context, parser) && !parser.isSet("dry-run");
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    const std::string file = parser.positionalArguments().at(1).toStdString();
    return ApplyConfigFile(session, parser, file, "tarcfg-cli write " + file);
  }
};

}  // namespace

int ApplyConfigFile(RouterSession& session, const QCommandLineParser& parser,
                    const std::string& path, const std::string& operation) {
  CliContext& context = session.context();
  Configuration& working = session.configuration();
  std::FILE* sink = std::fopen("/dev/null", "w");
  const ConfigReadResult read = ReadConfigFile(path, session.current().permanentConnection,
                                               FileContext(context), working, sink ? sink : stderr);
  if (sink)
    std::fclose(sink);
  if (read.code != kConfigOk) {
    PrintError(ConfigReadMessage(read));
    return kExitFile;
  }
  const Configuration& saved = session.saved();
  const std::vector<std::string> changes = DescribeChanges(context, working, saved);
  if (parser.isSet("dry-run")) {
    for (const auto& line : changes)
      std::cout << line << "\n";
    return kExitOk;
  }
  // Nothing to send, nothing to lose: no history then.
  if (!changes.empty() && !KeepHistoryBeforeWrite(session, parser, operation, changes))
    return kExitFile;
  int sent = -1;
  session.protocol().WriteConfiguration(working.lineTargets, saved.lineTargets, &working.routes,
                                        &saved.routes, &working.filters, &saved.filters,
                                        [&](int messages) { sent = messages; });
  if (!session.RunUntil([&] { return sent >= 0; }))
    return kExitRefused;
  std::cout << sent << " entries sent\n";
  return kExitOk;
}

std::unique_ptr<Command> MakeScanCommand() {
  return std::make_unique<ScanCommand>();
}

std::unique_ptr<Command> MakeOverviewCommand() {
  return std::make_unique<OverviewCommand>();
}

std::unique_ptr<Command> MakeReadCommand() {
  return std::make_unique<ReadCommand>();
}

std::unique_ptr<Command> MakeBackupCommand() {
  return std::make_unique<BackupCommand>();
}

std::unique_ptr<Command> MakeWriteCommand() {
  return std::make_unique<WriteCommand>();
}

}  // namespace tarcfg::cli
