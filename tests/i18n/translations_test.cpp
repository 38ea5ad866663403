// SPDX-License-Identifier: GPL-3.0-or-later
// The language the environment asks for, and the numbered texts in it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <string>
#include <utility>

#include "config/string_table.h"
#include "i18n/translations.h"

namespace tarcfg {
namespace {

struct LocaleCase {
  const char* name;
  const char* language;  // LANGUAGE
  const char* all;       // LC_ALL
  const char* messages;  // LC_MESSAGES
  const char* lang;      // LANG
  const char* wanted;    // WantedLanguages() joined with ':'
};

void SetOrClear(const char* name, const char* value) {
  if (value != nullptr)
    ::setenv(name, value, 1);
  else
    ::unsetenv(name);
}

class EnvironmentLocale : public ::testing::Test {
 protected:
  void SetLocale(const char* language, const char* all, const char* messages, const char* lang) {
    SetOrClear("LANGUAGE", language);
    SetOrClear("LC_ALL", all);
    SetOrClear("LC_MESSAGES", messages);
    SetOrClear("LANG", lang);
  }
  void TearDown() override {
    SetStringTranslator(nullptr);
    SetLocale(nullptr, nullptr, nullptr, "C");
  }
};

class WantedLanguagesTest : public EnvironmentLocale,
                            public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(WantedLanguagesTest, FollowsTheGettextOrder) {
  const LocaleCase& c = GetParam();
  SetLocale(c.language, c.all, c.messages, c.lang);
  EXPECT_EQ(WantedLanguages().join(QLatin1Char(':')).toStdString(), c.wanted);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, WantedLanguagesTest,
    ::testing::Values(LocaleCase{"nothing_set", nullptr, nullptr, nullptr, nullptr, "C"},
                      LocaleCase{"lang_c", nullptr, nullptr, nullptr, "C", "C"},
                      LocaleCase{"lang_c_utf8", nullptr, nullptr, nullptr, "C.UTF-8", "C"},
                      LocaleCase{"lang_german", nullptr, nullptr, nullptr, "de_DE.UTF-8",
                                 "de_DE:de"},
                      LocaleCase{"modifier_dropped", nullptr, nullptr, nullptr,
                                 "de_AT.ISO-8859-1@euro", "de_AT:de"},
                      LocaleCase{"messages_before_lang", nullptr, nullptr, "de_CH.UTF-8",
                                 "en_GB.UTF-8", "de_CH:de"},
                      LocaleCase{"all_before_messages", nullptr, "en_US.UTF-8", "de_DE.UTF-8",
                                 nullptr, "en_US:en"},
                      LocaleCase{"language_list_first", "fr:de", nullptr, nullptr, "en_US.UTF-8",
                                 "fr:de:en_US:en"},
                      LocaleCase{"language_ignored_for_c", "de", nullptr, nullptr, "C", "C"},
                      LocaleCase{"posix_all_wins", "de", "POSIX", nullptr, "de_DE.UTF-8", "C"}),
    [](const ::testing::TestParamInfo<LocaleCase>& param_info) {
      return std::string(param_info.param.name);
    });

class InstalledTexts : public EnvironmentLocale {};

TEST_F(InstalledTexts, GermanLocaleTranslatesTheNumberedTextsAndKeepsEnglishAtHand) {
  SetLocale(nullptr, nullptr, nullptr, "de_DE.UTF-8");
  int argc = 1;
  char name[] = "translations_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  EXPECT_EQ(InstallTranslations(application, {QStringLiteral("strings")}).toStdString(), "de");
  EXPECT_EQ(InstalledLanguage().toStdString(), "de");
  EXPECT_STREQ(LoadString(1008), "Nicht verbunden");
  EXPECT_STREQ(LoadEnglishString(1008), "Not connected");
  // The numbers keep their placeholders in the translation.
  EXPECT_EQ(FormatString(1014, 42), "Router wird mit Firmware geladen: 42%.");
  EXPECT_STREQ(LoadString(99999), "");
}

TEST_F(InstalledTexts, EnglishAndCLocalesKeepEveryTextAsWritten) {
  // LANGUAGE counts for nothing under C; English asked for first wins.
  const std::pair<const char*, const char*> locales[] = {{"de", "C"}, {"en:de", "de_DE.UTF-8"}};
  for (const auto& [language, lang] : locales) {
    SetLocale(language, nullptr, nullptr, lang);
    int argc = 1;
    char name[] = "translations_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    EXPECT_TRUE(InstallTranslations(application, {QStringLiteral("strings")}).isEmpty()) << lang;
    EXPECT_STREQ(LoadString(1008), "Not connected") << lang;
    EXPECT_EQ(FormatString(1014, 42), "Router is loaded with firmware: 42%.") << lang;
  }
}

}  // namespace
}  // namespace tarcfg
