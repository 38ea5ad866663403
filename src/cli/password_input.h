// SPDX-License-Identifier: GPL-3.0-or-later
// Secrets typed or piped to tarcfg-cli: one line from standard input, and a
// prompt on the terminal with the echo off.
#pragma once

#include <optional>
#include <string>

namespace tarcfg::cli {

// One line from standard input without its line end ("\n", "\r\n"); read
// byte by byte, so that a stop signal ends the wait and nothing after the
// line is taken. None when a stop signal arrived or the input failed; an
// input that ends without a line end gives what came.
std::optional<std::string> ReadStandardInputLine();

// Writes `prompt` to standard error and reads a line from the terminal with
// the echo off (it comes back however the prompt ends). None when standard
// input is no terminal or a stop signal arrived.
std::optional<std::string> PromptSecret(const std::string& prompt);

}  // namespace tarcfg::cli
