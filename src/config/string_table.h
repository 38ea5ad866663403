// SPDX-License-Identifier: GPL-3.0-or-later
// The numbered user-visible texts (resources/strings.inc), by the numbers
// the whole program uses.
#pragma once

#include <string>

namespace tarcfg {

// The text with this number, or an empty text when there is none.
const char* LoadString(int id);

// printf-style formatting of a table text.
std::string FormatString(int id, ...);

// A text written for a message box on one line, for a log or a comment:
// line ends become blanks, trailing blanks go.
std::string MessageOnOneLine(std::string text);

}  // namespace tarcfg
