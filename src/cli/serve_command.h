// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg-cli serve: the routers' state as Prometheus metrics over HTTP, or
// once on standard output.
#pragma once

#include "cli/cli_text.h"
#include "cli/command.h"

namespace tarcfg::cli {

class ServeCommand : public Command {
 public:
  QString name() const override { return "serve"; }
  QString synopsis() const override {
    return "[--listen ADDR:PORT] [--interval S] [--accounting-interval S] [--archive-interval S] "
           "[-p PASSWORD] [--passwords FILE] [--once]";
  }
  QString description() const override {
    return CliText::tr(
        "Serve the routers' state as Prometheus metrics on http://ADDR:PORT/metrics.");
  }

 protected:
  void AddOptions(QCommandLineParser& parser) override;

  int Execute(CliContext& context, const QCommandLineParser& parser) override;

 private:
  // A service has no terminal: the password is never asked for.
  const QCommandLineOption password_{
      {"p", "password"},
      "Password for routers that ask for one (else $TARCFG_PASSWORD; never prompted).",
      "PASSWORD"};
};

}  // namespace tarcfg::cli
