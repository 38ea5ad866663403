// SPDX-License-Identifier: GPL-3.0-or-later
// tarcfg-cli's own texts: its messages, help and table headings go through
// CliText::tr, which lupdate finds for the catalog tarcfg-cli. What programs
// read stays in English and is not marked: JSON keys and values, the
// exporter's answers, file contents.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <string>
#include <string_view>

struct CliText {
  Q_DECLARE_TR_FUNCTIONS(CliText)
};

namespace tarcfg::cli {

// A translated text as the output streams take it (UTF-8).
inline std::string Say(const QString& text) {
  return text.toStdString();
}

// The one form of tarcfg-cli's messages about a file or a router:
// "tarcfg-cli: WHAT: WHY", on one line (the line breaks a dialog's text
// has become blanks).
std::string Problem(std::string_view what, std::string_view why);

// "2 line targets, 1 route, 3 filters".
std::string CountsText(int lineTargets, int routes, int filters);

// A text of the desktop tool's dialogs on one line: each line break (with
// the blanks around it) becomes one blank, a trailing one goes.
std::string OneLine(std::string_view text);

}  // namespace tarcfg::cli
