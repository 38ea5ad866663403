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

#include "cli/serve/exposition.h"
#include "cli/serve/http_guard.h"
#include "cli/serve/metrics_collector.h"
#include "cli/serve_command.h"
#include "cli/session.h"
#include "config/string_table.h"

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

// Whichever way Execute returns, a registration held or attempted is ended
// with its deregistration first.
struct ReleaseOnExit {
  serve::MetricsCollector& collector;
  ~ReleaseOnExit() { collector.ReleaseNow(); }
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

constexpr const char* kIndexPage =
    "<!DOCTYPE html>\n<html><head><title>tarcfg-cli serve</title></head>\n"
    "<body><h1>Tarnex routers</h1>\n"
    "<p>Metrics of the routers on the local network: <a href=\"metrics\">/metrics</a></p>\n"
    "</body></html>\n";

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
  parser.addOption(password_);
  parser.addOption({"once",
                    "One round (scan, overview and, with --accounting-interval, one accounting "
                    "read); the metrics on standard output."});
}

int ServeCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  const auto listen = ParseListenAddress(parser.value("listen"));
  if (!listen) {
    PrintError("tarcfg-cli serve: --listen takes ADDR:PORT, e.g. 127.0.0.1:9532");
    return kExitUsage;
  }
  const auto interval = Seconds(parser, "interval", 1);
  const auto accounting = Seconds(parser, "accounting-interval", 0);
  if (!interval || !accounting) {
    PrintError(
        "tarcfg-cli serve: --interval takes seconds from 1, --accounting-interval "
        "from 0");
    return kExitUsage;
  }
  const bool once = parser.isSet("once");
  if (!context.LoadProtocolDefinitions())
    return kExitFile;

  serve::CollectorOptions options;
  options.intervalSeconds = *interval;
  options.accountingIntervalSeconds = *accounting;
  // A router that went away stays `up 0` for an hour (at least three rounds).
  options.forgetAfterRounds = std::max(3, (3600 + *interval - 1) / *interval);
  if (parser.isSet(password_))
    options.password = parser.value(password_).toStdString();
  else if (const char* env = std::getenv("TARCFG_PASSWORD"))
    options.password = std::string(env);

  RouterProtocol protocol(context.socket(), context.settings(), context.tables(),
                          context.addresses());
  serve::MetricsCollector collector(protocol, context.settings().ownAddress, options,
                                    serve::CollectorClock::System(),
                                    [](const std::string& line) { PrintError(line); });
  const ReleaseOnExit release{collector};
  const GuiSettings& s = context.settings();
  const int opened = protocol.OpenRouterProtocol(
      [&collector](int code) { collector.OnProtocolError(code); }, s.ownAddress | ~s.netMask);
  if (opened != 0) {
    PrintError(FormatString(40012, opened == -1000 ? 0 : protocol.openErrorNumber()));
    return kExitRefused;
  }

  QEventLoop loop;
  bool done = false;
  auto check = [&] {
    if (done)
      return;
    if (collector.stopped() ||
        (once && collector.roundsCompleted() > 0 && !collector.releasesPending())) {
      done = true;
      loop.quit();
    }
  };

  QSocketNotifier datagrams(protocol.socketDescriptor(), QSocketNotifier::Read);
  QObject::connect(&datagrams, &QSocketNotifier::activated, [&] {
    collector.OnDatagramReady();
    check();
  });
  QTimer ticks;
  ticks.setInterval(1000);
  ticks.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    collector.OnTimerTick();
    check();
  });

  const StopSignals stopSignalPipe;
  if (!stopSignalPipe.ok()) {
    PrintError("tarcfg-cli serve: cannot set up signal handling");
    return kExitRefused;
  }
  QSocketNotifier stopSignals(stopSignalPipe.descriptor(), QSocketNotifier::Read);
  QObject::connect(&stopSignals, &QSocketNotifier::activated, [&] {
    char bytes[16];
    while (::read(stopSignalPipe.descriptor(), bytes, sizeof bytes) > 0) {
    }
    collector.RequestStop();
    check();
  });

  std::unique_ptr<QHttpServer> server;
  if (!once) {
    server = std::make_unique<QHttpServer>();
    server->route("/metrics", QHttpServerRequest::Method::Get, [&collector] {
      return QHttpServerResponse(metrics::kExpositionContentType,
                                 QByteArray::fromStdString(collector.exposition()));
    });
    server->route("/", QHttpServerRequest::Method::Get, [] {
      return QHttpServerResponse("text/html; charset=utf-8", QByteArray(kIndexPage));
    });
    // Qt HttpServer 6.4 neither times out nor caps connections, nor limits
    // a request's header: the guarded server in front of it does.
    auto tcp = std::make_unique<serve::GuardedTcpServer>(serve::HttpLimits{});
    if (!tcp->Listen(listen->host, listen->port)) {
      PrintError("tarcfg-cli serve: cannot listen on " + parser.value("listen").toStdString() +
                 ": " + tcp->errorString().toStdString());
      return kExitRefused;
    }
    const quint16 port = tcp->serverPort();
    server->bind(tcp.release());  // the HTTP server's child from now on
    QString host = listen->host.toString();
    if (listen->host.protocol() == QAbstractSocket::IPv6Protocol)
      host = "[" + host + "]";
    PrintError("tarcfg-cli serve: metrics on http://" + host.toStdString() + ":" +
               std::to_string(port) + "/metrics");
  }

  ticks.start();
  collector.Start();
  check();
  if (!done)
    loop.exec();

  if (once) {
    std::cout << collector.exposition();
    std::cout.flush();
  }
  return kExitOk;
}

}  // namespace tarcfg::cli
