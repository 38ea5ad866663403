// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/serve/http_routes.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <utility>

#include "cli/serve/http_guard.h"

namespace tarcfg::serve {
namespace {

// Whether a comma-separated header value holds `token` (any case).
bool HasToken(const QByteArray& value, const QByteArray& token) {
  for (const QByteArray& part : value.split(','))
    if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
      return true;
  return false;
}

bool ClosesAfterAnswer(const QHttpServerRequest& request, QTcpSocket* socket) {
  QByteArray connection;
  for (const auto& [name, value] : request.headers())
    if (name.compare("Connection", Qt::CaseInsensitive) == 0)
      connection += value + ',';
  const bool oldVersion = TakeRequestVersion(socket) == RequestVersion::kHttp10;
  if (HasToken(connection, "close"))
    return true;
  return oldVersion && !HasToken(connection, "keep-alive");
}

using Status = QHttpServerResponder::StatusCode;

// Status line, headers and (unless `withBody` is false) the body, then the
// connection closed when the request asked for that.
void Answer(const QHttpServerRequest& request, QHttpServerResponder& responder, Status status,
            const QByteArray& contentType, const QByteArray& body, bool withBody,
            const QByteArray& allow = {}) {
  QTcpSocket* socket = responder.socket();
  const bool close = ClosesAfterAnswer(request, socket);
  responder.writeStatusLine(status);
  if (!contentType.isEmpty())
    responder.writeHeader("Content-Type", contentType);
  if (!allow.isEmpty())
    responder.writeHeader("Allow", allow);
  responder.writeHeader("Content-Length", QByteArray::number(body.size()));
  if (close)
    responder.writeHeader("Connection", "close");
  responder.writeBody(withBody ? body : QByteArray());
  if (close)
    socket->disconnectFromHost();  // once the answer is out
}

}  // namespace

void RouteMetrics(QHttpServer& server, QByteArray contentType, std::function<QByteArray()> metrics,
                  QByteArray indexPage) {
  using Method = QHttpServerRequest::Method;
  server.route(
      "/metrics", [contentType, metrics = std::move(metrics)](const QHttpServerRequest& request,
                                                              QHttpServerResponder&& responder) {
        const Method method = request.method();
        if (method == Method::Get || method == Method::Head)
          Answer(request, responder, Status::Ok, contentType, metrics(), method == Method::Get);
        else
          Answer(request, responder, Status::MethodNotAllowed, {}, {}, true, "GET, HEAD");
      });
  server.route("/", [indexPage = std::move(indexPage)](const QHttpServerRequest& request,
                                                       QHttpServerResponder&& responder) {
    const Method method = request.method();
    if (method == Method::Get || method == Method::Head)
      Answer(request, responder, Status::Ok, "text/html; charset=utf-8", indexPage,
             method == Method::Get);
    else
      Answer(request, responder, Status::MethodNotAllowed, {}, {}, true, "GET, HEAD");
  });
}

}  // namespace tarcfg::serve
