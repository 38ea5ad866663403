// SPDX-License-Identifier: GPL-3.0-or-later
// `serve`'s HTTP server behind its guard, on loopback: idle connections are
// closed, open ones capped, over-long requests answered and cut off, and a
// process out of descriptors pauses accepting instead of spinning. The
// event loop runs until a condition holds, bounded; nothing sleeps.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QTcpSocket>
#include <QTest>
#include <memory>
#include <vector>

#include "cli/serve/http_guard.h"
#include "cli/serve/http_routes.h"

namespace tarcfg::serve {
namespace {

constexpr int kWaitMs = 5000;

class ServeHttp : public ::testing::Test {
 protected:
  void Start(HttpLimits limits) {
    RouteMetrics(
        server, "text/plain", [] { return QByteArray("tarnex_routers 1\n"); }, "<html/>");
    guard = new GuardedTcpServer(limits);
    ASSERT_TRUE(guard->Listen(QHostAddress::LocalHost, 0));
    server.bind(guard);
  }
  std::unique_ptr<QTcpSocket> Connect() {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress::LocalHost, guard->serverPort());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return socket->state() == QTcpSocket::ConnectedState; }, kWaitMs));
    return socket;
  }
  // A connection made without the event loop turning.
  int RawConnection() const {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(guard->serverPort());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    EXPECT_EQ(::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return descriptor;
  }
  // What the server answers until it closes the connection.
  static QByteArray UntilClosed(QTcpSocket& socket) {
    QByteArray answer;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          if (socket.isOpen())
            answer += socket.readAll();
          return socket.state() == QTcpSocket::UnconnectedState;
        },
        kWaitMs));
    return socket.isOpen() ? answer + socket.readAll() : answer;
  }
  static QByteArray Answer(QTcpSocket& socket) {
    socket.write("GET /metrics HTTP/1.1\r\nHost: x\r\n\r\n");
    QByteArray answer;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          answer += socket.readAll();
          return answer.contains("tarnex_routers 1\n") ||
                 socket.state() == QTcpSocket::UnconnectedState;
        },
        kWaitMs));
    return answer;
  }

  QHttpServer server;
  GuardedTcpServer* guard = nullptr;  // the server's child
};

TEST_F(ServeHttp, IdleConnectionsAreClosedAndAnsweredOnesKeptUntilIdle) {
  HttpLimits limits;
  limits.idleTimeoutMs = 300;
  Start(limits);
  auto silent = Connect();
  auto asking = Connect();
  EXPECT_TRUE(Answer(*asking).startsWith("HTTP/1.1 200"));
  EXPECT_EQ(asking->state(), QTcpSocket::ConnectedState);
  UntilClosed(*silent);
  UntilClosed(*asking);
  EXPECT_TRUE(QTest::qWaitFor([&] { return guard->openConnections() == 0; }, kWaitMs));
}

// HEAD answers GET's headers without the body, other methods 405; the
// connection is closed after the answer when the request asks for it (or
// is HTTP/1.0 without keep-alive), else a second request is answered too.
TEST_F(ServeHttp, MethodsAndConnectionRequestsOfMetrics) {
  Start(HttpLimits{});
  const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 17\r\n";
  const QByteArray refused =
      "HTTP/1.1 405 Method Not Allowed\r\nAllow: GET, HEAD\r\nContent-Length: 0\r\n";
  const QByteArray body = "tarnex_routers 1\n";
  struct Case {
    const char* name;
    QByteArray request;
    QByteArray answer;
    bool closes;
  };
  for (const Case& c : {
           Case{"GET", "GET /metrics HTTP/1.1\r\nHost: x\r\n", ok + "\r\n" + body, false},
           Case{"HEAD", "HEAD /metrics HTTP/1.1\r\nHost: x\r\n", ok + "\r\n", false},
           Case{"POST", "POST /metrics HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n",
                refused + "\r\n", false},
           Case{"DELETE", "DELETE /metrics HTTP/1.1\r\nHost: x\r\n", refused + "\r\n", false},
           Case{"close", "GET /metrics HTTP/1.1\r\nHost: x\r\nConnection: Close\r\n",
                ok + "Connection: close\r\n\r\n" + body, true},
           Case{"HEAD close", "HEAD /metrics HTTP/1.1\r\nConnection: te, close\r\n",
                ok + "Connection: close\r\n\r\n", true},
           Case{"HTTP/1.0", "GET /metrics HTTP/1.0\r\n", ok + "Connection: close\r\n\r\n" + body,
                true},
           Case{"HTTP/1.0 keep-alive", "GET /metrics HTTP/1.0\r\nConnection: Keep-Alive\r\n",
                ok + "\r\n" + body, false},
       }) {
    auto socket = Connect();
    socket->write(c.request + "\r\n");
    if (c.closes) {
      EXPECT_EQ(UntilClosed(*socket), c.answer) << c.name;
      continue;
    }
    QByteArray answer;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          answer += socket->readAll();
          return answer.size() >= c.answer.size();
        },
        kWaitMs))
        << c.name;
    EXPECT_EQ(answer, c.answer) << c.name;
    EXPECT_TRUE(Answer(*socket).startsWith("HTTP/1.1 200")) << c.name;
  }
}

TEST_F(ServeHttp, ConnectionsBeyondTheLimitAreAnswered503UntilOneCloses) {
  HttpLimits limits;
  limits.maxConnections = 2;
  Start(limits);
  auto first = Connect();
  auto second = Connect();
  ASSERT_TRUE(QTest::qWaitFor([&] { return guard->openConnections() == 2; }, kWaitMs));
  EXPECT_TRUE(Answer(*second).startsWith("HTTP/1.1 200"));
  // A burst larger than one accepting turn takes, all waiting at once:
  // every one of them refused.
  std::vector<std::unique_ptr<QTcpSocket>> burst;
  for (int i = 0; i < 40; ++i) {
    burst.push_back(std::make_unique<QTcpSocket>());
    burst.back()->setSocketDescriptor(RawConnection());
  }
  for (auto& refused : burst)
    EXPECT_TRUE(UntilClosed(*refused).startsWith("HTTP/1.1 503"));
  EXPECT_EQ(guard->openConnections(), 2);
  first->abort();
  ASSERT_TRUE(QTest::qWaitFor([&] { return guard->openConnections() == 1; }, kWaitMs));
  auto fourth = Connect();
  EXPECT_TRUE(Answer(*fourth).startsWith("HTTP/1.1 200"));
}

TEST_F(ServeHttp, OverlongRequestLineOrHeaderIsAnsweredAndCutOff) {
  HttpLimits limits;
  limits.maxRequestLine = 1000;
  limits.maxHeader = 4000;
  Start(limits);
  const QByteArray field = "X-Filler: " + QByteArray(500, 'f') + "\r\n";
  struct Case {
    const char* name;
    QByteArray request;
    const char* answer;  // empty: only closed
  };
  const std::vector<Case> cases{
      {"request line", "GET /metrics?" + QByteArray(1200, 'a') + " HTTP/1.1\r\n", "HTTP/1.1 414"},
      {"header", "GET /metrics HTTP/1.1\r\n" + field.repeated(10), "HTTP/1.1 431"},
      {"10 MB line", "GET /" + QByteArray(10 * 1024 * 1024, 'a'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto client = Connect();
    client->write(c.request);
    const QByteArray answer = UntilClosed(*client);
    EXPECT_TRUE(answer.startsWith(c.answer)) << answer.left(80).toStdString();
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return guard->openConnections() == 0; }, kWaitMs));
  // A long header within the limits is answered.
  auto client = Connect();
  client->write("GET /metrics HTTP/1.1\r\n" + field.repeated(6) + "\r\n");
  EXPECT_TRUE(Answer(*client).startsWith("HTTP/1.1 200"));
}

// The process out of descriptors, after a connection was served: accepting
// pauses and resumes, without the event loop spinning meanwhile, and the
// waiting connections are taken once descriptors are free.
TEST_F(ServeHttp, AcceptingPausesWhileDescriptorsAreUsedUp) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers' own checks open descriptors (a pipe to probe memory); with
  // none left they report the objects they cannot inspect as invalid.
  GTEST_SKIP() << "needs every descriptor used up, which the sanitizers cannot run with";
#endif
  HttpLimits limits;
  limits.acceptPauseMs = 100;
  Start(limits);
  auto served = Connect();
  ASSERT_TRUE(Answer(*served).startsWith("HTTP/1.1 200"));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(guard->serverPort());
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // Made now, connected once the descriptors are used up.
  std::vector<int> clients;
  for (int i = 0; i < 3; ++i)
    clients.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = ::dup(0);
  ::close(lowestFree);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  for (int client : clients)
    EXPECT_EQ(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  int wakeups = 0;
  const auto counting = QObject::connect(QAbstractEventDispatcher::instance(),
                                         &QAbstractEventDispatcher::awake, [&] { ++wakeups; });
  // Paused, resumed, failed and paused again.
  const bool paused = QTest::qWaitFor([&] { return guard->acceptPauses() >= 2; }, kWaitMs);
  QObject::disconnect(counting);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_TRUE(paused);
  EXPECT_LT(wakeups, 100);
  EXPECT_EQ(guard->openConnections(), 1);
  EXPECT_TRUE(QTest::qWaitFor([&] { return guard->openConnections() == 4; }, kWaitMs));
  for (int client : clients)
    ::close(client);
}

}  // namespace
}  // namespace tarcfg::serve

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
