// SPDX-License-Identifier: GPL-3.0-or-later
// The user's language: which one the environment asks for, and the Qt
// translators that bring the program's texts (and Qt's own) into it.
#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace tarcfg {

// The languages the environment asks for, most wanted first, as gettext
// reads them: LANGUAGE (a colon list) unless the locale is C/POSIX, then
// LC_ALL, LC_MESSAGES, LANG. "de_DE.UTF-8@euro" gives "de_DE" and "de".
// C and POSIX give "C", which stands for the untranslated English texts.
QStringList WantedLanguages();

// Loads the first wanted language the program has texts for: its catalogs
// (":/i18n/<catalog>_<language>.qm"), Qt's own texts for that language, and
// the string table's translator. English or C, or no catalog at all, leaves
// every text as written. Returns the language installed ("" for English).
QString InstallTranslations(QCoreApplication& application, const QStringList& catalogs);

// The language InstallTranslations installed ("" for English): for what
// picks a file by language, such as the help page.
QString InstalledLanguage();

}  // namespace tarcfg
