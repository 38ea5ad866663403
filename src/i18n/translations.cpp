// SPDX-License-Identifier: GPL-3.0-or-later
#include "i18n/translations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

#include "config/string_table.h"

namespace tarcfg {
namespace {

QString& Installed() {
  static QString language;
  return language;
}

QString Variable(const char* name) {
  return QString::fromLocal8Bit(qgetenv(name));
}

bool IsPlainLocale(const QString& locale) {
  return locale == QLatin1String("C") || locale == QLatin1String("POSIX") ||
         locale.startsWith(QLatin1String("C."));
}

// "de_DE.UTF-8@euro" -> "de_DE", "de"; "C" -> "C".
void AddLocale(const QString& locale, QStringList& languages) {
  if (locale.isEmpty())
    return;
  if (IsPlainLocale(locale)) {
    languages << QStringLiteral("C");
    return;
  }
  QString name = locale.section(QLatin1Char('@'), 0, 0).section(QLatin1Char('.'), 0, 0);
  if (name.isEmpty())
    return;
  languages << name;
  const QString language = name.section(QLatin1Char('_'), 0, 0);
  if (language != name)
    languages << language;
}

std::string TranslateTableText(int id, const char* english) {
  const QByteArray number = QByteArray::number(id);
  const QString text = QCoreApplication::translate("Strings", english, number.constData());
  if (text == QLatin1String(english))
    return {};
  return text.toStdString();
}

}  // namespace

QStringList WantedLanguages() {
  // The locale that decides messages: the first of these that is set.
  QString locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = Variable(name);
    if (!locale.isEmpty())
      break;
  }
  QStringList languages;
  // LANGUAGE counts only where a locale other than C is chosen.
  if (!locale.isEmpty() && !IsPlainLocale(locale)) {
    const QStringList list = Variable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& entry : list)
      AddLocale(entry, languages);
  }
  AddLocale(locale, languages);
  if (languages.isEmpty())
    languages << QStringLiteral("C");
  languages.removeDuplicates();
  return languages;
}

QString InstallTranslations(QCoreApplication& application, const QStringList& catalogs) {
  Installed().clear();
  for (const QString& language : WantedLanguages()) {
    if (language == QLatin1String("C") || language == QLatin1String("en") ||
        language.startsWith(QLatin1String("en_")))
      return {};
    bool found = false;
    for (const QString& catalog : catalogs) {
      const QString path = QStringLiteral(":/i18n/%1_%2.qm").arg(catalog, language);
      if (!QFile::exists(path))
        continue;
      auto* translator = new QTranslator(&application);
      if (translator->load(path)) {
        QCoreApplication::installTranslator(translator);
        found = true;
      } else {
        delete translator;
      }
    }
    if (!found)
      continue;
    // Qt's own dialogs and buttons, where Qt's translations are installed.
    auto* qt = new QTranslator(&application);
    if (qt->load(QStringLiteral("qtbase_") + language,
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
      QCoreApplication::installTranslator(qt);
    else
      delete qt;
    SetStringTranslator(&TranslateTableText);
    Installed() = language;
    return language;
  }
  return {};
}

QString InstalledLanguage() {
  return Installed();
}

}  // namespace tarcfg
