// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg-cli serve: the routers' state as Prometheus metrics over HTTP, or
// once on standard output.
#include <sys/socket.h>
#include <unistd.h>

#include <QEventLoop>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <iostream>

#include "cli/config_transfer.h"
#include "cli/history_support.h"
#include "cli/serve/exposition.h"
#include "cli/serve/http_guard.h"
#include "cli/serve/http_routes.h"
#include "cli/serve/metrics_collector.h"
#include "cli/serve_command.h"
#include "cli/session.h"

namespace tarcfg::cli {
namespace {

// Signals reach the event loop through a socket pair: the handler only
// writes one byte.
int signalPipe[2] = {-1, -1};

void OnStopSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT for as long as it lives: the handlers in force before
// come back and the pair is closed however Execute returns.
class StopSignals {
 public:
  StopSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
      signalPipe[0] = signalPipe[1] = -1;
      return;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerm_);
    ::sigaction(SIGINT, &action, &previousInt_);
  }
  ~StopSignals() {
    if (signalPipe[0] < 0)
      return;
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGINT, &previousInt_, nullptr);
    for (int& descriptor : signalPipe) {
      ::close(descriptor);
      descriptor = -1;
    }
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool ok() const { return signalPipe[0] >= 0; }
  int descriptor() const { return signalPipe[0]; }

 private:
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
};

struct ListenAddress {
  QHostAddress host;
  quint16 port = 0;
};

// "ADDR:PORT", "[IPV6]:PORT" or ":PORT" (every address); "localhost" too.
std::optional<ListenAddress> ParseListenAddress(const QString& text) {
  const int colon = static_cast<int>(text.lastIndexOf(':'));
  if (colon < 0)
    return std::nullopt;
  QString host = text.left(colon);
  bool numeric = false;
  const uint port = text.mid(colon + 1).toUInt(&numeric);
  if (!numeric || port > 65535)
    return std::nullopt;
  ListenAddress address;
  address.port = static_cast<quint16>(port);
  if (host.startsWith('[') && host.endsWith(']'))
    host = host.mid(1, host.size() - 2);
  if (host.isEmpty() || host == "*")
    address.host = QHostAddress(QHostAddress::Any);
  else if (host == "localhost")
    address.host = QHostAddress(QHostAddress::LocalHost);
  else if (!address.host.setAddress(host))
    return std::nullopt;
  return address;
}

std::optional<int> Seconds(const QCommandLineParser& parser, const char* option, int minimum) {
  bool numeric = false;
  const int value = parser.value(option).toInt(&numeric);
  if (!numeric || value < minimum)
    return std::nullopt;
  return value;
}

// What the options ask for.
struct ServeSettings {
  ListenAddress listen;
  bool once = false;
  serve::CollectorOptions collector;
};

std::optional<ServeSettings> ParseSettings(const QCommandLineParser& parser,
                                           const QCommandLineOption& password) {
  ServeSettings settings;
  const auto listen = ParseListenAddress(parser.value("listen"));
  if (!listen) {
    PrintError("tarcfg-cli serve: --listen takes ADDR:PORT, e.g. 127.0.0.1:9532");
    return std::nullopt;
  }
  settings.listen = *listen;
  const auto interval = Seconds(parser, "interval", 1);
  const auto accounting = Seconds(parser, "accounting-interval", 0);
  const auto archive = Seconds(parser, "archive-interval", 0);
  if (!interval || !accounting || !archive) {
    PrintError(
        "tarcfg-cli serve: --interval takes seconds from 1, --accounting-interval "
        "and --archive-interval from 0");
    return std::nullopt;
  }
  settings.once = parser.isSet("once");
  serve::CollectorOptions& options = settings.collector;
  options.intervalSeconds = *interval;
  options.accountingIntervalSeconds = *accounting;
  options.archiveIntervalSeconds = *archive;
  // A router that went away stays `up 0` for an hour (at least three rounds).
  options.forgetAfterRounds = std::max(3, (3600 + *interval - 1) / *interval);
  if (parser.isSet(password))
    options.password = parser.value(password).toStdString();
  else if (const char* env = std::getenv("TARCFG_PASSWORD"))
    options.password = std::string(env);
  return settings;
}

constexpr const char* kIndexPage =
    "<!DOCTYPE html>\n<html><head><title>tarcfg-cli serve</title></head>\n"
    "<body><h1>Tarnex routers</h1>\n"
    "<p>Metrics of the routers on the local network: <a href=\"metrics\">/metrics</a></p>\n"
    "</body></html>\n";

// The HTTP server of /metrics and its index page; false (with the reason
// printed) when it cannot listen.
std::unique_ptr<QHttpServer> StartHttpServer(const ListenAddress& listen, const QString& listenText,
                                             const serve::MetricsCollector& collector) {
  auto server = std::make_unique<QHttpServer>();
  serve::RouteMetrics(
      *server, metrics::kExpositionContentType,
      [&collector] { return QByteArray::fromStdString(collector.exposition()); },
      QByteArray(kIndexPage));
  // Qt HttpServer 6.4 neither times out nor caps connections, nor limits
  // a request's header: the guarded server in front of it does.
  auto tcp = std::make_unique<serve::GuardedTcpServer>(serve::HttpLimits{});
  if (!tcp->Listen(listen.host, listen.port)) {
    PrintError("tarcfg-cli serve: cannot listen on " + listenText.toStdString() + ": " +
               tcp->errorString().toStdString());
    return nullptr;
  }
  const quint16 port = tcp->serverPort();
  server->bind(tcp.release());  // the HTTP server's child from now on
  QString host = listen.host.toString();
  if (listen.host.protocol() == QAbstractSocket::IPv6Protocol)
    host = "[" + host + "]";
  PrintError("tarcfg-cli serve: metrics on http://" + host.toStdString() + ":" +
             std::to_string(port) + "/metrics");
  return server;
}

// The event loop of the rounds: datagrams, the one-second tick and the stop
// signals drive the collector until it is done (stopped, or with --once
// one round complete and every deregistration out). Whichever way it ends,
// a registration held or attempted is ended with its deregistration.
class RoundLoop {
 public:
  RoundLoop(serve::MetricsCollector& collector, int socketDescriptor, const StopSignals& stop,
            bool once)
      : collector_(collector),
        once_(once),
        datagrams_(socketDescriptor, QSocketNotifier::Read),
        stopSignals_(stop.descriptor(), QSocketNotifier::Read) {
    QObject::connect(&datagrams_, &QSocketNotifier::activated, [this] {
      collector_.OnDatagramReady();
      Check();
    });
    ticks_.setInterval(1000);
    ticks_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks_, &QTimer::timeout, [this] {
      collector_.OnTimerTick();
      Check();
    });
    QObject::connect(&stopSignals_, &QSocketNotifier::activated, [this, &stop] {
      char bytes[16];
      while (::read(stop.descriptor(), bytes, sizeof bytes) > 0) {
      }
      collector_.RequestStop();
      Check();
    });
  }
  ~RoundLoop() { collector_.ReleaseNow(); }
  RoundLoop(const RoundLoop&) = delete;
  RoundLoop& operator=(const RoundLoop&) = delete;

  void Run() {
    ticks_.start();
    collector_.Start();
    Check();
    if (!done_)
      loop_.exec();
  }

 private:
  void Check() {
    if (done_)
      return;
    if (collector_.stopped() ||
        (once_ && collector_.roundsCompleted() > 0 && !collector_.releasesPending())) {
      done_ = true;
      loop_.quit();
    }
  }

  serve::MetricsCollector& collector_;
  bool once_;
  bool done_ = false;
  QEventLoop loop_;
  QSocketNotifier datagrams_;
  QSocketNotifier stopSignals_;
  QTimer ticks_;
};

// Serves until the collector is done: over HTTP, or with --once the one
// round's metrics on standard output.
int Serve(const ServeSettings& settings, const QString& listenText,
          serve::MetricsCollector& collector, RouterProtocol& protocol, const StopSignals& stop) {
  RoundLoop loop(collector, protocol.socketDescriptor(), stop, settings.once);
  std::unique_ptr<QHttpServer> server;
  if (!settings.once) {
    server = StartHttpServer(settings.listen, listenText, collector);
    if (!server)
      return kExitRefused;
  }
  loop.Run();
  if (settings.once) {
    std::cout << collector.exposition();
    std::cout.flush();
  }
  return kExitOk;
}

}  // namespace

void ServeCommand::AddOptions(QCommandLineParser& parser) {
  parser.addOption({"listen", "Address and port of the HTTP server (default 127.0.0.1:9532).",
                    "ADDR:PORT", "127.0.0.1:9532"});
  parser.addOption(
      {"interval", "Seconds between two scans and overview queries (default 30).", "S", "30"});
  parser.addOption({"accounting-interval",
                    "Seconds between two accounting reads, each a short registration with "
                    "every router not held by another host (default 0: never registers).",
                    "S", "0"});
  parser.addOption({"archive-interval",
                    "Seconds between two configuration reads, each a short registration with "
                    "every router not held by another host; a configuration that differs from "
                    "the newest one kept is kept in the history (default 0: never).",
                    "S", "0"});
  parser.addOption(password_);
  parser.addOption({"passwords",
                    "File of routers' passwords, one \"HARDWARE-ADDRESS PASSWORD\" a line, "
                    "readable by its owner only; -p stays the password of the others.",
                    "FILE"});
  parser.addOption({"once",
                    "One round (scan, overview and, with --accounting-interval or "
                    "--archive-interval, one read of each); the metrics on standard output."});
}

int ServeCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  std::optional<ServeSettings> settings = ParseSettings(parser, password_);
  if (!settings)
    return kExitUsage;
  if (parser.isSet("passwords")) {
    // Refused at start: a service must not find out at its first read.
    serve::PasswordsFileResult file =
        serve::LoadPasswordsFile(parser.value("passwords").toStdString());
    if (!file.ok) {
      PrintError("tarcfg-cli serve: " + file.error);
      return kExitFile;
    }
    settings->collector.passwords = std::move(file.passwords);
  }
  if (!context.LoadProtocolDefinitions())
    return kExitFile;
  const ConfigArchive archive(SettingsHistory(context), FileContext(context),
                              serve::kArchivedByServe);
  if (settings->collector.archiveIntervalSeconds > 0 && !archive.history().enabled()) {
    PrintError(
        "tarcfg-cli serve: --archive-interval keeps versions in the history, which "
        "HistoryLimit 0 turns off");
    return kExitUsage;
  }
  const StopSignals stopSignals;
  if (!stopSignals.ok()) {
    PrintError("tarcfg-cli serve: cannot set up signal handling");
    return kExitRefused;
  }
  RouterSession session(context);
  serve::MetricsCollector collector(session.protocol(), context.settings().ownAddress,
                                    settings->collector, serve::CollectorClock::System(),
                                    [](const std::string& line) { PrintError(line); });
  collector.UseArchive(archive);
  if (!session.Open([&collector](int code) { collector.OnProtocolError(code); }))
    return kExitRefused;
  return Serve(*settings, parser.value("listen"), collector, session.protocol(), stopSignals);
}

}  // namespace tarcfg::cli
