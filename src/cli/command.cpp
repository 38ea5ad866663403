// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command.h"

#include <QCoreApplication>
#include <iostream>

namespace tarcfg::cli {

int Command::Run(const QString& settingsOption, const QStringList& arguments,
                 DatagramSocket& socket, Driver& driver) {
  QCommandLineParser parser;
  parser.setApplicationDescription(description());
  parser.addHelpOption();
  const QCommandLineOption settings(QStringList{"settings"},
                                    "Settings file (default: $TARCFG_SETTINGS or tarcfg.ini in the "
                                    "XDG configuration directory).",
                                    "FILE");
  parser.addOption(settings);
  AddOptions(parser);
  QStringList args = arguments;
  args[0] = "tarcfg-cli " + name();
  if (!parser.parse(args)) {
    PrintError(parser.errorText().toStdString());
    return kExitUsage;
  }
  if (parser.isSet("help")) {
    // Qt names the program by the path it was started with; the usage line
    // names the command as it is typed.
    QString help = parser.helpText();
    const QString started = QStringLiteral("Usage: ") + QCoreApplication::arguments().value(0);
    if (help.startsWith(started))
      help.replace(0, started.size(), QStringLiteral("Usage: tarcfg-cli ") + name());
    std::cout << help.toStdString();
    return kExitOk;
  }
  const int count = static_cast<int>(parser.positionalArguments().size());
  if (count < minimumArguments() || count > maximumArguments()) {
    PrintError(("usage: tarcfg-cli " + name() + " " + synopsis()).toStdString());
    return kExitUsage;
  }
  CliContext context(parser.isSet(settings) ? parser.value(settings) : settingsOption, socket,
                     driver);
  context.LoadSettings();
  return Execute(context, parser);
}

}  // namespace tarcfg::cli
