// SPDX-License-Identifier: GPL-3.0-or-later
// GuardedTcpServer: the listening socket of `serve`'s HTTP server, with the
// limits Qt HttpServer 6.4 does not set itself. It is given to the HTTP
// server with QAbstractHttpServer::bind, which then serves the connections
// it hands over as it would its own.
//
// - At most maxConnections are open at once (fewer when the descriptor
//   limit leaves less room); one more is answered 503 and closed at once.
// - A connection that neither completes a request header nor takes a byte of
//   its answer for idleTimeoutMs is closed.
// - A request line longer than maxRequestLine is answered 414, a header
//   longer than maxHeader 431, and the connection is closed: neither is read
//   on. No request of ours has a body, so the bytes after a header count as
//   the next request's.
// - Connections are accepted here, not by QTcpServer: when accept fails for
//   want of descriptors (EMFILE), QTcpServer takes it as a passing error and
//   tries again at once, for ever; here accepting pauses for acceptPauseMs.
#pragma once

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace tarcfg::serve {

struct HttpLimits {
  int maxConnections = 64;
  int idleTimeoutMs = 30000;
  qint64 maxRequestLine = 8192;
  qint64 maxHeader = 32768;
  int acceptPauseMs = 1000;
};

enum class RequestVersion { kHttp11, kHttp10 };

// How far a connection's current request header has come.
class RequestHeaderScan {
 public:
  enum class Verdict { Within, LineTooLong, HeaderTooLong };
  // Scans the next bytes received; `completed` counts the headers they end.
  Verdict Feed(const char* data, qint64 size, const HttpLimits& limits, int& completed);
  // The versions of the requests whose header was completed since the last
  // call, in their order: '0' for HTTP/1.0, '1' for anything else.
  QByteArray TakeVersions();

 private:
  qint64 line_ = 0;    // bytes of the current line, its CR and LF not counted
  qint64 header_ = 0;  // bytes of the current request so far
  bool firstLine_ = true;
  QByteArray lineEnd_;  // the request line's last bytes, for its version
  char version_ = '1';
  QByteArray versions_;
};

// The version of the oldest request on `socket` not yet answered, taken
// off the guard's record: Qt HttpServer 6.4 does not tell it. A socket the
// guard did not hand over reads as HTTP/1.1.
RequestVersion TakeRequestVersion(QTcpSocket* socket);

class GuardedTcpServer : public QTcpServer {
 public:
  explicit GuardedTcpServer(const HttpLimits& limits, QObject* parent = nullptr);
  ~GuardedTcpServer() override;

  // QTcpServer::listen, then accepting is taken over. False when the
  // address cannot be had.
  bool Listen(const QHostAddress& address, quint16 port);
  int openConnections() const { return open_; }
  // The connections allowed at once, after the descriptor limit.
  int connectionLimit() const { return connectionLimit_; }
  bool acceptPaused() const { return accepting_ && !accepting_->isEnabled(); }
  // How often accepting paused for want of descriptors.
  int acceptPauses() const { return acceptPauses_; }

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  void AcceptPending();
  // Hands the connection on, guarded, or refuses it; true when handed on.
  bool Take(int descriptor);
  void Refuse(int descriptor);
  void Guard(QTcpSocket* socket);

  HttpLimits limits_;
  int connectionLimit_ = 0;
  int open_ = 0;
  int acceptPauses_ = 0;
  std::unique_ptr<QSocketNotifier> accepting_;
  QTimer resume_;
};

}  // namespace tarcfg::serve
