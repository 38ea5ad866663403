// SPDX-License-Identifier: GPL-3.0-or-later
// The router fields set and firmware both take on the command line: --ip,
// --netmask, --phone and --yes, checked as the Router Configuration dialog
// checks them.
#pragma once

#include <QCommandLineParser>

#include "cli/session.h"

namespace tarcfg::cli {

// Adds --ip, --netmask, --phone and --yes.
void AddRouterFieldOptions(QCommandLineParser& parser);

// The Router Configuration dialog's checks of address, phone and mask, in
// its order. Prints the first failure; `wanted` gets the typed values.
bool CheckRouterFields(CliContext& context, const QCommandLineParser& parser,
                       RouterParameters& wanted, bool askOwnNetwork);

}  // namespace tarcfg::cli
