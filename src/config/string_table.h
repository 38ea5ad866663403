// SPDX-License-Identifier: GPL-3.0-or-later
// The numbered user-visible texts (resources/strings.inc), by the numbers
// the whole program uses.
#pragma once

#include <string>

namespace tarcfg {

// Turns the English text with this number into the user's language (UTF-8),
// or returns an empty text when it has no translation. The core has no Qt;
// the programs install one that asks Qt's translators.
using StringTranslator = std::string (*)(int id, const char* english);

// Installs the translator LoadString asks from now on (nullptr: English).
// Texts handed out before stay valid.
void SetStringTranslator(StringTranslator translator);

// The text with this number in the user's language (UTF-8), or an empty text
// when there is none.
const char* LoadString(int id);

// The English text with this number, whatever the language: for what is
// written to files and read back by programs.
const char* LoadEnglishString(int id);

// printf-style formatting of a table text (in the user's language).
std::string FormatString(int id, ...);

// A text written for a message box on one line, for a log or a comment:
// line ends become blanks, trailing blanks go.
std::string MessageOnOneLine(std::string text);

}  // namespace tarcfg
