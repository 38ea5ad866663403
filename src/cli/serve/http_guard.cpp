// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/http_guard.h"

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpSocket>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <memory>
#include <utility>

namespace tarcfg::serve {
namespace {

constexpr char kBusy[] =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr char kLineTooLong[] =
    "HTTP/1.1 414 URI Too Long\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
constexpr char kHeaderTooLong[] =
    "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\nConnection: "
    "close\r\n\r\n";

// The versions of the requests a connection sent and has not had answered.
constexpr char kVersionsProperty[] = "tarcfgRequestVersions";

// Accepted in one go before the event loop gets its turn again.
constexpr int kAcceptBatch = 32;
// Descriptors left for everything else (and for the one refused connection).
constexpr long kDescriptorReserve = 16;

// How many more descriptors this process may open, less the reserve.
int DescriptorRoom() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur > static_cast<rlim_t>(INT_MAX))
    return INT_MAX;
  std::error_code error;
  long open = 0;
  for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
       it.increment(error))
    ++open;
  return static_cast<int>(
      std::max<long>(1, static_cast<long>(limit.rlim_cur) - open - kDescriptorReserve));
}

}  // namespace

RequestHeaderScan::Verdict RequestHeaderScan::Feed(const char* data, qint64 size,
                                                   const HttpLimits& limits, int& completed) {
  for (qint64 i = 0; i < size; ++i) {
    const char c = data[i];
    ++header_;
    if (c == '\n') {
      if (line_ == 0 && !firstLine_) {
        // The empty line: the header is complete, the next byte starts the
        // next request.
        ++completed;
        versions_ += version_;
        header_ = 0;
        firstLine_ = true;
      } else if (line_ > 0 && firstLine_) {
        version_ = lineEnd_.endsWith("HTTP/1.0") ? '0' : '1';
        lineEnd_.clear();
        firstLine_ = false;
      }
      line_ = 0;
      continue;
    }
    if (c != '\r') {
      ++line_;
      if (firstLine_) {
        lineEnd_ += c;
        if (lineEnd_.size() > 16)
          lineEnd_.remove(0, lineEnd_.size() - 8);
      }
    }
    if (firstLine_ && line_ > limits.maxRequestLine)
      return Verdict::LineTooLong;
    if (header_ > limits.maxHeader)
      return Verdict::HeaderTooLong;
  }
  return Verdict::Within;
}

QByteArray RequestHeaderScan::TakeVersions() {
  return std::exchange(versions_, QByteArray());
}

RequestVersion TakeRequestVersion(QTcpSocket* socket) {
  if (!socket)
    return RequestVersion::kHttp11;
  QByteArray versions = socket->property(kVersionsProperty).toByteArray();
  if (versions.isEmpty())
    return RequestVersion::kHttp11;
  const char oldest = versions.front();
  versions.remove(0, 1);
  socket->setProperty(kVersionsProperty, versions);
  return oldest == '0' ? RequestVersion::kHttp10 : RequestVersion::kHttp11;
}

GuardedTcpServer::GuardedTcpServer(const HttpLimits& limits, QObject* parent)
    : QTcpServer(parent), limits_(limits) {
  resume_.setSingleShot(true);
  connect(&resume_, &QTimer::timeout, this, [this] {
    if (accepting_)
      accepting_->setEnabled(true);
  });
}

GuardedTcpServer::~GuardedTcpServer() {
  // The connections go first, while the count they end is still here.
  const auto sockets = findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly);
  for (QTcpSocket* socket : sockets)
    delete socket;
}

bool GuardedTcpServer::Listen(const QHostAddress& address, quint16 port) {
  if (!listen(address, port))
    return false;
  // QTcpServer's own accepting stays off; the notifier below does it.
  pauseAccepting();
  connectionLimit_ = std::max(1, std::min(limits_.maxConnections, DescriptorRoom()));
  accepting_ =
      std::make_unique<QSocketNotifier>(socketDescriptor(), QSocketNotifier::Read, nullptr);
  connect(accepting_.get(), &QSocketNotifier::activated, this, [this] { AcceptPending(); });
  return true;
}

void GuardedTcpServer::AcceptPending() {
  const int listening = static_cast<int>(socketDescriptor());
  for (int i = 0; i < kAcceptBatch; ++i) {
    const int descriptor = ::accept4(listening, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (descriptor < 0) {
      if (errno == EINTR || errno == ECONNABORTED)
        continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // The connection waits in the backlog; trying again at once would
        // fail the same way, as fast as the loop can turn.
        accepting_->setEnabled(false);
        resume_.start(limits_.acceptPauseMs);
        ++acceptPauses_;
      }
      return;
    }
    if (Take(descriptor)) {
      emit newConnection();
      // Taking a connection (nextPendingConnection) turns QTcpServer's own
      // accepting back on; it must stay off.
      pauseAccepting();
    }
  }
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
  // Not reached while QTcpServer's own accepting is off; guarded all the same.
  pauseAccepting();
  Take(static_cast<int>(descriptor));
}

bool GuardedTcpServer::Take(int descriptor) {
  if (open_ >= connectionLimit_) {
    Refuse(descriptor);
    return false;
  }
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    ::close(descriptor);
    delete socket;
    return false;
  }
  Guard(socket);
  addPendingConnection(socket);
  return true;
}

void GuardedTcpServer::Refuse(int descriptor) {
  [[maybe_unused]] const ssize_t sent =
      ::send(descriptor, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
  ::close(descriptor);
}

void GuardedTcpServer::Guard(QTcpSocket* socket) {
  ++open_;
  auto counted = std::make_shared<bool>(true);
  auto release = [this, counted] {
    if (*counted) {
      *counted = false;
      --open_;
    }
  };
  connect(socket, &QTcpSocket::disconnected, this, release);
  connect(socket, &QObject::destroyed, this, release);

  // A header within the limits fits the read buffer whole.
  socket->setReadBufferSize(std::max<qint64>(2 * limits_.maxHeader, 64 * 1024));
  auto* idle = new QTimer(socket);
  idle->setSingleShot(true);
  connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
  idle->start(limits_.idleTimeoutMs);
  connect(socket, &QTcpSocket::bytesWritten, idle,
          [this, idle] { idle->start(limits_.idleTimeoutMs); });

  // Connected before the HTTP server's own slot, so it runs first and sees
  // the bytes that slot has not read yet.
  auto scan = std::make_shared<RequestHeaderScan>();
  connect(socket, &QTcpSocket::readyRead, socket, [this, socket, idle, scan] {
    const QByteArray fresh = socket->peek(socket->bytesAvailable());
    int completed = 0;
    const auto verdict = scan->Feed(fresh.constData(), fresh.size(), limits_, completed);
    if (completed > 0) {
      idle->start(limits_.idleTimeoutMs);
      socket->setProperty(kVersionsProperty,
                          socket->property(kVersionsProperty).toByteArray() + scan->TakeVersions());
    }
    if (verdict == RequestHeaderScan::Verdict::Within)
      return;
    // Nobody reads this connection any more: answer and close it.
    disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    socket->write(verdict == RequestHeaderScan::Verdict::LineTooLong ? kLineTooLong
                                                                     : kHeaderTooLong);
    socket->disconnectFromHost();
    // A peer that does not take the answer is cut off soon.
    idle->start(std::min(limits_.idleTimeoutMs, 2000));
  });
}

}  // namespace tarcfg::serve
