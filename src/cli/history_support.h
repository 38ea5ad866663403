// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands that write to a router share about the configuration
// history: the --no-history option and keeping the configuration as read
// before anything is sent.
#pragma once

#include <QCommandLineParser>
#include <string>
#include <vector>

#include "cli/session.h"
#include "config/config_history.h"

namespace tarcfg::cli {

// The history of this run's settings (HistoryLimit) in the default folder.
ConfigHistory SettingsHistory(const CliContext& context);

// --no-history: write even when the history cannot be kept.
void AddNoHistoryOption(QCommandLineParser& parser);
// Whether the command needs the router's hardware address for the history.
bool HistoryWanted(const CliContext& context, const QCommandLineParser& parser);

// Keeps the session's configuration as last read from the router, with a note
// of what is about to be sent. True when kept, when the history is off or
// --no-history was given; otherwise prints why nothing is sent and gives false.
bool KeepHistoryBeforeWrite(RouterSession& session, const QCommandLineParser& parser,
                            const std::string& operation, const std::vector<std::string>& sending);

// The message when --index asks for more than the router's history holds
// (KEPT configurations): "tarcfg-cli: 00-60-1a-10-00-01: ...".
std::string FewerKeptProblem(const std::string& hardware, std::size_t kept);

}  // namespace tarcfg::cli
