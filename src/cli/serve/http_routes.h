// SPDX-License-Identifier: GPL-3.0-or-later
// The routes of `serve`'s HTTP server, answered by hand rather than by Qt
// HttpServer 6.4's defaults, which answer HEAD with 404, know no 405 and
// keep every connection open:
//
// - GET and HEAD of /metrics answer 200 with the same headers; HEAD without
//   the body. Any other method is answered 405 with "Allow: GET, HEAD".
// - A request with "Connection: close", or an HTTP/1.0 one without
//   "Connection: keep-alive", has its connection closed after the answer.
#pragma once

#include <QByteArray>
#include <QHttpServer>
#include <functional>

namespace tarcfg::serve {

// Routes /metrics to `metrics` (its content type and body) and / to
// `indexPage` (HTML).
void RouteMetrics(QHttpServer& server, QByteArray contentType, std::function<QByteArray()> metrics,
                  QByteArray indexPage);

}  // namespace tarcfg::serve
