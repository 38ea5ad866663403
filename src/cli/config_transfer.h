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

// Writes the configuration the session read from its router; "-" or empty is
// standard output. Prints why when it cannot.
bool SaveConfiguration(RouterSession& session, const std::string& path);

// Loads `path` as Open... does and writes what differs from the router's
// tables (after keeping the history); with --dry-run lists the entries
// instead. The session is registered; the caller deregisters. An exit code.
int ApplyConfigFile(RouterSession& session, const QCommandLineParser& parser,
                    const std::string& path, const std::string& operation);

}  // namespace tarcfg::cli
