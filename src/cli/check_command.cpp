// SPDX-License-Identifier: GPL-3.0-or-later
// check: loads a configuration file as the Line Targets dialog's "Open..."
// does, and optionally writes it back out.
#include <iostream>

#include "cli/check_command.h"
#include "cli/cli_text.h"
#include "cli/config_transfer.h"
#include "config/config_file.h"
#include "config/string_table.h"

namespace tarcfg::cli {

void CheckCommand::AddOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument("FILE", CliText::tr("The configuration file to load."));
  parser.addOption(
      {"permanent", CliText::tr("The router's permanent connection type (0 to 3)."), "N", "0"});
  parser.addOption({{"o", "output"},
                    CliText::tr("Write the loaded configuration to OUT ('-': standard output)."),
                    "OUT"});
}

int CheckCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  bool numeric = false;
  const int permanent = parser.value("permanent").toInt(&numeric);
  if (!numeric || permanent < 0 || permanent > 255) {
    PrintError("tarcfg-cli check: " + Say(CliText::tr("--permanent takes a number from 0 to 255")));
    return kExitUsage;
  }
  if (!context.LoadProtocolDefinitions())
    return kExitFile;

  const ConfigContext files{context.tables(), context.addresses(), context.database()};
  Configuration configuration;
  const std::string path = parser.positionalArguments().at(0).toStdString();
  const ConfigReadResult result = ReadConfigFileQuietly(path, permanent, files, configuration);
  if (result.code != kConfigOk) {
    PrintError(FileReadProblem(path, result));
    return kExitFile;
  }

  if (parser.isSet("output")) {
    RouterParameters router;
    const std::string out = parser.value("output").toStdString();
    if (out == "-") {
      std::cout << FormatConfigFile(configuration.lineTargets, configuration.routes,
                                    configuration.filters, router, files);
      std::cout.flush();
    } else if (const ConfigWriteResult written =
                   WriteConfigFile(out, configuration.lineTargets, configuration.routes,
                                   configuration.filters, router, files);
               !written) {
      PrintError(FileWriteProblem(out, written));
      return kExitFile;
    }
  }
  const int targets = configuration.lineTargets.count();
  const int routes = configuration.routes.count();
  const int filters = configuration.filters.count();
  const std::string summary = CountsText(targets, routes, filters) + "\n";
  // With the file on standard output the summary goes to standard error.
  (parser.value("output") == "-" ? std::cerr : std::cout) << summary;
  return kExitOk;
}

}  // namespace tarcfg::cli
