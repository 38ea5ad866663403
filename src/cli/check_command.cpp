// SPDX-License-Identifier: GPL-3.0-or-later
// check: loads a configuration file as the Line Targets dialog's "Open..."
// does, and optionally writes it back out.
#include <iostream>

#include "cli/check_command.h"
#include "config/config_file.h"
#include "config/string_table.h"

namespace tarcfg::cli {

void CheckCommand::AddOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument("FILE", "The configuration file to load.");
  parser.addOption({"permanent", "The router's permanent connection type (0 to 3).", "N", "0"});
  parser.addOption(
      {{"o", "output"}, "Write the loaded configuration to OUT ('-': standard output).", "OUT"});
}

int CheckCommand::Execute(CliContext& context, const QCommandLineParser& parser) {
  bool numeric = false;
  const int permanent = parser.value("permanent").toInt(&numeric);
  if (!numeric || permanent < 0 || permanent > 255) {
    PrintError("tarcfg-cli check: --permanent takes a number from 0 to 255");
    return kExitUsage;
  }
  if (!context.LoadProtocolDefinitions())
    return kExitFile;

  const ConfigContext files{context.tables(), context.addresses(), context.database()};
  Configuration configuration;
  const ConfigReadResult result = ReadConfigFileQuietly(
      parser.positionalArguments().at(0).toStdString(), permanent, files, configuration);
  if (result.code != kConfigOk) {
    PrintError(ConfigReadMessage(result));
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
      PrintError(ConfigWriteMessage(written));
      return kExitFile;
    }
  }
  const std::string summary = std::to_string(configuration.lineTargets.count()) +
                              " line targets, " + std::to_string(configuration.routes.count()) +
                              " routes, " + std::to_string(configuration.filters.count()) +
                              " filters\n";
  // With the file on standard output the summary goes to standard error.
  (parser.value("output") == "-" ? std::cerr : std::cout) << summary;
  return kExitOk;
}

}  // namespace tarcfg::cli
