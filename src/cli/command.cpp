// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command.h"
#include "cli/cli_text.h"

#include <QCoreApplication>
#include <csignal>
#include <iostream>

#include "config/stop_signals.h"

namespace tarcfg::cli {

int Command::Run(const QString& settingsOption, const QStringList& arguments,
                 DatagramSocket& socket, Driver& driver) {
  QCommandLineParser parser;
  parser.setApplicationDescription(description());
  // Not Qt's help option: its --help-all promises Qt's own options as well,
  // which the help does not list. --help-all is still taken as a request
  // for help below.
  parser.addOption(
      QCommandLineOption(QStringList{"h", "help"}, CliText::tr("Displays this help.")));
  if (!HasVersionOption())
    parser.addOption(
        QCommandLineOption(QStringList{"version"}, CliText::tr("Displays the version.")));
  const QCommandLineOption settings(
      QStringList{"settings"},
      CliText::tr("Settings file (default: $TARCFG_SETTINGS or tarcfg.ini in the XDG "
                  "configuration directory)."),
      "FILE");
  parser.addOption(settings);
  AddOptions(parser);
  QStringList args = AdjustArguments(arguments);
  args[0] = "tarcfg-cli " + name();
  // A request for help or the version is answered and nothing else is done,
  // wherever it stands - even as the value of another option - so that
  // `accounting R --reset --help-all` only prints.
  bool helpAsked = false;
  bool version = false;
  for (qsizetype i = 1; i < args.size() && args[i] != "--"; ++i) {
    const QString& word = args[i];
    helpAsked =
        helpAsked || word == "-h" || word == "--help" || word == "--help-all" || word == "-?";
    version = version || (word == "--version" && !HasVersionOption());
  }
  if (version && !helpAsked) {
    std::cout << "tarcfg-cli " TARCFG_VERSION "\n";
    return kExitOk;
  }
  if (!helpAsked && !parser.parse(args)) {
    PrintError(parser.errorText().toStdString());
    return kExitUsage;
  }
  if (helpAsked) {
    // Qt names the program by the path it was started with; the usage line
    // names the command as it is typed.
    // Qt's own text, in the language of Qt's translation
    QString help = parser.helpText();
    // (a context in a variable: lupdate leaves Qt's text to Qt's catalog)
    const char* const qtContext = "QCommandLineParser";
    const QString usage = QCoreApplication::translate(qtContext, "Usage: %1");
    const QString started = usage.arg(QCoreApplication::arguments().value(0));
    if (help.startsWith(started))
      help.replace(0, started.size(), usage.arg("tarcfg-cli " + name()));
    std::cout << help.toStdString();
    return kExitOk;
  }
  const int count = static_cast<int>(parser.positionalArguments().size());
  if (count < minimumArguments() || count > maximumArguments()) {
    PrintError(Say(CliText::tr("usage: %1").arg("tarcfg-cli " + name() + " " + synopsis())));
    return kExitUsage;
  }
  CliContext context(parser.isSet(settings) ? parser.value(settings) : settingsOption, socket,
                     driver);
  context.LoadSettings(RepairsSettings() ? SettingsRepair::kWriteBack : SettingsRepair::kKeepFile);
  const int result = Execute(context, parser);
  // A stop signal ended the command (after its deregistration): the status
  // a shell expects of a process ended by that signal. A closed output
  // (SIGPIPE) needs no word.
  if (const int signal = StopSignals::caught(); signal != 0) {
    if (signal != SIGPIPE)
      PrintError("tarcfg-cli: " + Say(signal == SIGINT
                                          ? CliText::tr("interrupted")
                                          : CliText::tr("ended by signal %1").arg(signal)));
    return StopSignals::ExitStatus(signal);
  }
  return result;
}

}  // namespace tarcfg::cli
