// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg-cli: configuration files and routers from the command line.
#include <QCoreApplication>
#include <QStringList>
#include <iostream>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "config/stop_signals.h"
#include "i18n/translations.h"
#include "protocol/udp_socket.h"

using tarcfg::cli::AllCommands;
using tarcfg::cli::Say;

namespace {

void PrintHelp() {
  std::cout << Say(
      CliText::tr("Usage: tarcfg-cli [--settings FILE] COMMAND [OPTIONS] [ARGUMENTS]\n\n"
                  "Configures Tarnex routers of the local network from the command "
                  "line.\n\nCommands:\n"));
  for (const auto& command : AllCommands()) {
    std::cout << "  " << command->name().toStdString() << " " << command->synopsis().toStdString()
              << "\n      " << command->description().toStdString() << "\n";
  }
  std::cout << Say(CliText::tr(
      "\n'tarcfg-cli COMMAND --help' shows the options of a command.\n\n"
      "Global options:\n"
      "  --settings FILE  settings file (default: $TARCFG_SETTINGS, else tarcfg.ini in\n"
      "                   the XDG configuration directory)\n"
      "  -h, --help       this text\n"
      "  -v, --version    the version\n\n"
      "Exit status:\n"
      "  0  success\n"
      "  1  refused by the router, or a network error\n"
      "  2  usage error\n"
      "  3  file error (unreadable or invalid configuration or definition file)\n"
      "  128+N  ended by signal N (Ctrl-C: 130; a closed output: 141), after the\n"
      "         deregistration from a registered router\n"));
}

// Output other programs read stays in English whatever the locale: JSON,
// and the exporter's answers and log.
bool OutputForPrograms(const QStringList& args) {
  return args.contains(QStringLiteral("--json")) || args.contains(QStringLiteral("serve"));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("tarcfg-cli");
  QCoreApplication::setApplicationVersion(TARCFG_VERSION);
  const QStringList args = QCoreApplication::arguments();
  if (!OutputForPrograms(args))
    tarcfg::InstallTranslations(app, {QStringLiteral("strings"), QStringLiteral("tarcfg-cli")});

  QString settings;
  int i = 1;
  while (i < args.size() && args[i].startsWith("-")) {
    // A request for help or the version only prints, also where it stands
    // as the settings file's name: `--settings --help accounting R --reset`
    // must not reset anything.
    const QString& arg =
        args[i] == "--settings" && i + 1 < args.size() && args[i + 1].startsWith("-") ? args[i + 1]
                                                                                      : args[i];
    if (arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-?") {
      PrintHelp();
      return 0;
    }
    if (arg == "-v" || arg == "--version") {
      std::cout << "tarcfg-cli " TARCFG_VERSION "\n";
      return 0;
    }
    if (args[i] == "--settings" && i + 1 < args.size()) {
      settings = args[i + 1];
      i += 2;
      continue;
    }
    if (arg.startsWith("--settings=")) {
      settings = arg.mid(11);
      ++i;
      continue;
    }
    std::cerr << "tarcfg-cli: "
              << Say(CliText::tr("unknown option %1\nTry 'tarcfg-cli --help'.").arg(arg)) << "\n";
    return 2;
  }
  if (i >= args.size()) {
    PrintHelp();
    return 2;
  }
  // Ctrl-C, SIGTERM and SIGHUP end a command through its deregistration;
  // a closed output ends it as well instead of killing it (SIGPIPE). serve
  // watches SIGINT and SIGTERM with a loop of its own and is left to it.
  if (args[i] != "serve")
    tarcfg::StopSignals::Install();
  for (auto& command : AllCommands()) {
    if (command->name() == args[i]) {
      tarcfg::UdpSocket socket;
      tarcfg::cli::ReceiveDriver driver(socket);
      return command->Run(settings, args.mid(i), socket, driver);
    }
  }
  std::cerr << "tarcfg-cli: "
            << Say(CliText::tr("unknown command %1\nTry 'tarcfg-cli --help'.").arg(args[i]))
            << "\n";
  return 2;
}
