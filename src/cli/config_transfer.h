// SPDX-License-Identifier: GPL-3.0-or-later
// Whole configurations between a registered router and .cfg files: what
// read and backup save, what write and restore apply.
#pragma once

#include <QCommandLineParser>
#include <string>

#include "cli/session.h"
#include "config/config_file.h"

namespace tarcfg::cli {

// The protocol tables, addresses and services a .cfg file is read and
// written with.
ConfigContext FileContext(CliContext& context);

// The messages for a .cfg file that did not load or could not be written,
// naming the file: "tarcfg-cli: FILE: WHY".
std::string FileReadProblem(const std::string& path, const ConfigReadResult& result);
std::string FileWriteProblem(const std::string& path, const ConfigWriteResult& result);

// Loads `path` for a check only, before any router is asked: with the rules
// of a switched line, which every other operating mode only narrows, so a
// file it refuses no router would take. Prints why and gives false.
bool CheckConfigFileLoads(CliContext& context, const std::string& path);

// Writes the configuration the session read from its router; "-" or empty is
// standard output. Prints why when it cannot.
bool SaveConfiguration(RouterSession& session, const std::string& path);

// Loads `path` as Open... does and writes what differs from the router's
// tables (after keeping the history); with --dry-run lists the entries
// instead. The session is registered; the caller deregisters. An exit code.
int ApplyConfigFile(RouterSession& session, const QCommandLineParser& parser,
                    const std::string& path, const std::string& operation);

}  // namespace tarcfg::cli
