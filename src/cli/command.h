// SPDX-License-Identifier: GPL-3.0-or-later
// One tarcfg-cli command: a name, a one-line description, its own options.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "cli/cli_context.h"

namespace tarcfg::cli {

class Command {
 public:
  virtual ~Command() = default;

  virtual QString name() const = 0;
  virtual QString synopsis() const = 0;  // arguments after the name
  virtual QString description() const = 0;

  // Parses `arguments` (the command name first) and runs the command, its
  // router traffic through `socket` moved on by `driver`.
  int Run(const QString& settingsOption, const QStringList& arguments, DatagramSocket& socket,
          Driver& driver);

 protected:
  // The command line before it is parsed (the command name first): a
  // command may take out what the parser cannot express.
  virtual QStringList AdjustArguments(const QStringList& arguments) { return arguments; }
  // Adds the command's own options and positional arguments.
  virtual void AddOptions(QCommandLineParser& parser) = 0;
  // Runs with parsed options; gives the exit code.
  virtual int Execute(CliContext& context, const QCommandLineParser& parser) = 0;
  // Whether --version is an option of the command's own (else it prints
  // the program's version).
  virtual bool HasVersionOption() const { return false; }
  // Whether the command writes repaired settings back to the file; an
  // offline command that only reads files leaves it alone.
  virtual bool RepairsSettings() const { return true; }
  // Positional arguments this command needs at least / at most.
  virtual int minimumArguments() const { return 0; }
  virtual int maximumArguments() const { return 0; }
};

}  // namespace tarcfg::cli
