// The configuration history from the command line: keeping it before a
// write, listing it (history) and writing a kept configuration back
// (restore).
#include <iostream>

#include "cli/commands.h"
#include "cli/history_support.h"
#include "cli/router_command.h"
#include "config/reports.h"

namespace tarcfg::cli {

ConfigHistory SettingsHistory(const CliContext& context) {
  return ConfigHistory(DefaultHistoryDirectory(), context.settings().historyLimit);
}

void AddNoHistoryOption(QCommandLineParser& parser) {
  parser.addOption({"no-history",
                    "Write even when the router's configuration cannot be kept in "
                    "the history first."});
}

bool HistoryWanted(const CliContext& context, const QCommandLineParser& parser) {
  return !parser.isSet("no-history") && context.settings().historyLimit > 0;
}

bool KeepHistoryBeforeWrite(RouterSession& session, const QCommandLineParser& parser,
                            const std::string& operation, const std::vector<std::string>& sending) {
  CliContext& context = session.context();
  if (!HistoryWanted(context, parser))
    return true;
  const RouterSession::Target& target = session.target();
  HistoryKeepResult kept;
  if (!target.hardwareKnown) {
    kept.error = "the router's hardware address is not known";
  } else {
    const Configuration& read = session.saved();
    kept = SettingsHistory(context).Keep(
        FormatHardwareAddress(target.hardwareAddress), read.lineTargets, read.routes, read.filters,
        session.current(), ConfigContext{context.tables(), context.addresses(), context.database()},
        HistoryNote{target.name, operation, sending});
  }
  if (kept.ok)
    return true;
  PrintError("tarcfg-cli: cannot keep the router's configuration in the history: " + kept.error +
             "\nNothing was sent. --no-history writes without keeping it.");
  return false;
}

namespace {

// The hardware address of the ROUTER argument: as given, or found by a scan.
std::optional<std::string> RouterHardwareAddress(CliContext& context, RouterSession& session,
                                                 const QString& argument) {
  std::array<std::uint8_t, 6> bytes{};
  if (ParseHardwareAddress(argument.toStdString(), &bytes))
    return FormatHardwareAddress(bytes);
  if (!context.LoadProtocolDefinitions() || !session.Open())
    return std::nullopt;
  auto target = session.ResolveRouter(argument, true);
  if (!target)
    return std::nullopt;
  return FormatHardwareAddress(target->hardwareAddress);
}

class HistoryCommand : public Command {
 public:
  QString name() const override { return "history"; }
  QString synopsis() const override { return "ROUTER [--json]"; }
  QString description() const override {
    return "List the configurations kept before writes to ROUTER, newest first.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    parser.addPositionalArgument(
        "ROUTER", "Hardware address (no network needed), or an address or host name.");
    parser.addOption({"json", "Print a JSON array."});
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }

  int Execute(CliContext& context, const QCommandLineParser& parser) override {
    RouterSession session(context);
    const auto hardware =
        RouterHardwareAddress(context, session, parser.positionalArguments().at(0));
    if (!hardware)
      return kExitRefused;
    const auto entries = SettingsHistory(context).List(*hardware);
    if (parser.isSet("json")) {
      std::cout << "[";
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const HistoryEntry& e = entries[i];
        std::cout << (i ? ",\n " : "\n ") << "{\"index\": " << i + 1
                  << ", \"time\": " << JsonString(e.time) << ", \"file\": " << JsonString(e.path)
                  << ", \"operation\": " << JsonString(e.operation) << ", \"sending\": [";
        for (std::size_t s = 0; s < e.sending.size(); ++s)
          std::cout << (s ? ", " : "") << JsonString(e.sending[s]);
        std::cout << "], \"lineTargets\": " << e.lineTargets << ", \"routes\": " << e.routes
                  << ", \"filters\": " << e.filters << "}";
      }
      std::cout << (entries.empty() ? "]\n" : "\n]\n");
      return kExitOk;
    }
    if (entries.empty()) {
      std::cout << "No configuration of router " << *hardware << " has been kept.\n";
      return kExitOk;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const HistoryEntry& e = entries[i];
      std::cout << i + 1 << "  " << e.time << "  " << e.lineTargets << " line targets, " << e.routes
                << " routes, " << e.filters << " filters\n"
                << "   before: " << (e.operation.empty() ? "?" : e.operation);
      if (!e.sending.empty())
        std::cout << " (" << e.sending.size() << (e.sending.size() == 1 ? " change" : " changes")
                  << ")";
      std::cout << "\n   file:   " << e.path << "\n";
    }
    return kExitOk;
  }
};

class RestoreCommand : public RouterCommand {
 public:
  QString name() const override { return "restore"; }
  QString synopsis() const override {
    return "ROUTER (FILE | --last | --index N) [--dry-run] [--no-history] [-p PASSWORD]";
  }
  QString description() const override {
    return "Write a kept configuration back to ROUTER as 'write' does, keeping history first.";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addPositionalArgument("FILE", "The .cfg file to write back.", "[FILE]");
    parser.addOption({"last", "The newest configuration of the router's history."});
    parser.addOption(
        {"index", "The Nth configuration as 'history' numbers them (1 = newest).", "N"});
    parser.addOption({"dry-run", "List the entries that would be sent; send nothing."});
    AddNoHistoryOption(parser);
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 2; }

  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    const QStringList arguments = parser.positionalArguments();
    const int sources = (arguments.size() > 1 ? 1 : 0) + (parser.isSet("last") ? 1 : 0) +
                        (parser.isSet("index") ? 1 : 0);
    if (sources != 1) {
      PrintError("tarcfg-cli restore: give exactly one of FILE, --last and --index N");
      return kExitUsage;
    }
    if (parser.isSet("index")) {
      bool ok = false;
      const int index = parser.value("index").toInt(&ok);
      if (!ok || index < 1) {
        PrintError("tarcfg-cli restore: --index needs a number from 1 up");
        return kExitUsage;
      }
    }
    return kContinue;
  }
  bool NeedsHardwareAddress(CliContext&, const QCommandLineParser&) override { return true; }
  // The file to write back is known before registering: a history that
  // holds nothing costs the router no registration.
  int Resolved(RouterSession& session, const QCommandLineParser& parser) override {
    const QStringList arguments = parser.positionalArguments();
    const int index = parser.isSet("index") ? parser.value("index").toInt() : 1;
    if (arguments.size() > 1) {
      path_ = arguments.at(1).toStdString();
    } else {
      const std::string hardware = FormatHardwareAddress(session.target().hardwareAddress);
      const auto entries = SettingsHistory(session.context()).List(hardware);
      if (entries.size() < static_cast<std::size_t>(index)) {
        PrintError(entries.empty()
                       ? "tarcfg-cli restore: no configuration of router " + hardware +
                             " has been kept"
                       : "tarcfg-cli restore: the history of router " + hardware + " holds " +
                             std::to_string(entries.size()) + " configuration(s)");
        return kExitFile;
      }
      path_ = entries[static_cast<std::size_t>(index) - 1].path;
    }
    return kContinue;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    return ApplyConfigFile(session, parser, path_, "tarcfg-cli restore " + path_);
  }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<Command> MakeHistoryCommand() {
  return std::make_unique<HistoryCommand>();
}

std::unique_ptr<Command> MakeRestoreCommand() {
  return std::make_unique<RestoreCommand>();
}

}  // namespace tarcfg::cli
