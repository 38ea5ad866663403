// The commands that watch and drive the B-channels and read accounting:
// status, connect, disconnect and accounting.
#include <csignal>
#include <iostream>

#include "cli/commands.h"
#include "cli/router_command.h"
#include "cli/session.h"
#include "config/reports.h"
#include "config/string_table.h"

namespace tarcfg::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;
void OnInterrupt(int) {
  interrupted = 1;
}

std::string ChannelLine(int channel, const ChannelStatus& s) {
  const int state = NormalizeChannelState(s.state);
  char cause[8];
  std::snprintf(cause, sizeof cause, "%04X", s.cause);
  const bool idle = state == 0;
  return "Channel " + std::to_string(channel) + ": " + ChannelStateText(state) + " (" + cause +
         ")  remote " + (idle ? "---" : s.remoteAddress) + "  phone " +
         (idle ? "---" : s.phoneNumber) + "  duration " + std::to_string(idle ? 0 : s.duration) +
         " s  charge " + std::to_string(idle ? 0 : s.charge) + "  packets out " +
         std::to_string(idle ? 0 : s.packetsOut) + " in " + std::to_string(idle ? 0 : s.packetsIn);
}

std::string ChannelJson(int channel, const ChannelStatus& s) {
  const int state = NormalizeChannelState(s.state);
  return "{\"channel\": " + std::to_string(channel) + ", \"state\": " + std::to_string(state) +
         ", \"stateText\": " + JsonString(ChannelStateText(state)) +
         ", \"cause\": " + std::to_string(s.cause) +
         ", \"remoteAddress\": " + JsonString(s.remoteAddress) +
         ", \"phoneNumber\": " + JsonString(s.phoneNumber) +
         ", \"duration\": " + std::to_string(s.duration) +
         ", \"charge\": " + std::to_string(s.charge) +
         ", \"packetsOut\": " + std::to_string(s.packetsOut) +
         ", \"packetsIn\": " + std::to_string(s.packetsIn) + "}";
}

class StatusCommand : public RouterCommand {
 public:
  QString name() const override { return "status"; }
  QString synopsis() const override { return "ROUTER [--count N] [--json]"; }
  QString description() const override {
    return "Watch both B-channels: print N line status reports (0: until interrupted).";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addOption({"count", "Reports to print (default 1; 0 = until Ctrl-C).", "N", "1"});
    parser.addOption({"json", "One JSON object per report."});
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    bool numeric = false;
    const int count = parser.value("count").toInt(&numeric);
    if (!numeric || count < 0) {
      PrintError("tarcfg-cli status: --count takes a number of 0 or more");
      return kExitUsage;
    }
    return kContinue;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    const int count = parser.value("count").toInt();
    const bool json = parser.isSet("json");
    int reports = 0;
    interrupted = 0;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    session.protocol().StartLineMonitor([&](const LineStatus& status) {
      ++reports;
      if (json) {
        std::cout << "{\"channels\": [" << ChannelJson(1, status.channels[0]) << ", "
                  << ChannelJson(2, status.channels[1]) << "]}\n";
      } else {
        std::cout << ChannelLine(1, status.channels[0]) << "\n"
                  << ChannelLine(2, status.channels[1]) << "\n\n";
      }
      std::cout.flush();
    });
    const bool ok = session.RunUntil([&] { return interrupted || (count > 0 && reports >= count); },
                                     count > 0 ? 30 + count * 5 : 1 << 30);
    if (!ok)
      return kExitRefused;
    session.protocol().StopLineMonitor();
    session.RunUntil([&] { return !session.protocol().requestOutstanding(); }, 15);
    // Deregistered even when the stop was not answered in time.
    session.ClearFailure();
    return kExitOk;
  }
};

class ConnectCommand : public RouterCommand {
 public:
  QString name() const override { return "connect"; }
  QString synopsis() const override { return "ROUTER POSITION"; }
  QString description() const override {
    return "Dial the line target at POSITION (1-based, as 'read' lists them).";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addPositionalArgument("POSITION", "The line target's position, from 1.");
  }
  int minimumArguments() const override { return 2; }
  int maximumArguments() const override { return 2; }
  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    bool numeric = false;
    const int position = parser.positionalArguments().at(1).toInt(&numeric);
    if (!numeric || position < 1) {
      PrintError("tarcfg-cli connect: POSITION is a number from 1");
      return kExitUsage;
    }
    return kContinue;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    const int position = parser.positionalArguments().at(1).toInt();
    if (position > session.configuration().lineTargets.count()) {
      PrintError("tarcfg-cli connect: the router has " +
                 std::to_string(session.configuration().lineTargets.count()) + " line targets");
      return kExitUsage;
    }
    session.protocol().ConnectLineTarget(position - 1);
    if (!session.RunUntil([&] { return !session.protocol().requestOutstanding(); }, 30))
      return kExitRefused;
    return kExitOk;
  }
};

class DisconnectCommand : public RouterCommand {
 public:
  QString name() const override { return "disconnect"; }
  QString synopsis() const override { return "ROUTER 1|2"; }
  QString description() const override { return "Drop B-channel 1 or 2."; }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addPositionalArgument("CHANNEL", "1 or 2.");
  }
  int minimumArguments() const override { return 2; }
  int maximumArguments() const override { return 2; }
  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    const QString channel = parser.positionalArguments().at(1);
    if (channel != "1" && channel != "2") {
      PrintError("tarcfg-cli disconnect: the channel is 1 or 2");
      return kExitUsage;
    }
    return kContinue;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    session.protocol().DisconnectChannel(parser.positionalArguments().at(1).toInt());
    if (!session.RunUntil([&] { return !session.protocol().requestOutstanding(); }, 30))
      return kExitRefused;
    return kExitOk;
  }
};

class AccountingCommand : public RouterCommand {
 public:
  QString name() const override { return "accounting"; }
  QString synopsis() const override { return "ROUTER [--reset] [--json|--csv]"; }
  QString description() const override {
    return "Read the accounting counters of every line target (and reset them with --reset).";
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override {
    RouterCommand::AddOptions(parser);
    parser.addOption({"reset", "Read and reset the counters."});
    parser.addOption({"json", "Print a JSON array."});
    parser.addOption({"csv", "Print CSV with a header row."});
  }
  int minimumArguments() const override { return 1; }
  int maximumArguments() const override { return 1; }
  int CheckOptions(CliContext&, const QCommandLineParser& parser) override {
    if (parser.isSet("json") && parser.isSet("csv")) {
      PrintError("tarcfg-cli accounting: --json and --csv exclude each other");
      return kExitUsage;
    }
    return kContinue;
  }
  int ExecuteRegistered(RouterSession& session, const QCommandLineParser& parser) override {
    std::optional<LineTargetList> result;
    auto done = [&](LineTargetList& list) { result = list.Clone(); };
    const LineTargetList& targets = session.configuration().lineTargets;
    if (parser.isSet("reset"))
      session.protocol().ReadAndResetAccounting(done, &targets);
    else
      session.protocol().ReadAccounting(done, &targets);
    if (!session.RunUntil([&] { return result.has_value(); }))
      return kExitRefused;

    static const char* kNames[] = {"charges",         "callsOutgoing",   "callsIncoming",
                                   "packetsOutgoing", "packetsIncoming", "bytesOutgoing",
                                   "bytesIncoming"};
    if (parser.isSet("csv")) {
      std::cout << "hostName,phoneNumber";
      for (const char* n : kNames)
        std::cout << "," << n;
      std::cout << "\n";
      for (const auto& t : *result) {
        std::cout << CsvCell(t.hostName.str()) << "," << CsvCell(t.phoneNumber.str());
        for (auto v : t.accountingCounters)
          std::cout << "," << v;
        std::cout << "\n";
      }
    } else if (parser.isSet("json")) {
      std::cout << "[";
      bool first = true;
      for (const auto& t : *result) {
        std::cout << (first ? "\n " : ",\n ") << "{\"hostName\": " << JsonString(t.hostName.str())
                  << ", \"phoneNumber\": " << JsonString(t.phoneNumber.str());
        for (std::size_t i = 0; i < 7; ++i)
          std::cout << ", " << JsonString(kNames[i]) << ": " << t.accountingCounters[i];
        std::cout << "}";
        first = false;
      }
      std::cout << (first ? "]\n" : "\n]\n");
    } else {
      std::string text;
      for (const auto& t : *result)
        text += AccountingBlock(t);
      std::cout << UnixLineEnds(text);
    }
    return kExitOk;
  }
};

}  // namespace

std::unique_ptr<Command> MakeStatusCommand() {
  return std::make_unique<StatusCommand>();
}

std::unique_ptr<Command> MakeConnectCommand() {
  return std::make_unique<ConnectCommand>();
}

std::unique_ptr<Command> MakeDisconnectCommand() {
  return std::make_unique<DisconnectCommand>();
}

std::unique_ptr<Command> MakeAccountingCommand() {
  return std::make_unique<AccountingCommand>();
}

}  // namespace tarcfg::cli
