// The language the game speaks: English, or one of the ten it is translated
// into. The choice comes from the command line, else the player's choice in
// the options (kept in the settings all players share), else the system's
// locale, else English. Each language draws its texts in one 8-bit code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/code_pages.h"

struct Language {
    const char* code;  // "de", "pt_BR": the PO file's and the data folder's name
    const char* name;  // in its own words, for the options
    platform::CodePage page;
};

const std::vector<Language>& languages();
// The language of a code, or null when the game has none.
const Language* findLanguage(std::string_view code);
// The language a locale name asks for ("de_AT.UTF-8@euro", "pt_BR", "ru"), or
// null ("C", "POSIX", a language the game lacks).
const Language* languageOfLocale(std::string_view locale);

// What the system says, as the four variables gettext reads (null: unset).
struct LocaleEnvironment {
    const char* language = nullptr;  // LANGUAGE: a colon-separated list
    const char* lcAll = nullptr;
    const char* lcMessages = nullptr;
    const char* lang = nullptr;
};
const Language& languageOfEnvironment(const LocaleEnvironment& env);

// The order of precedence: the command line, the saved choice, the system.
// An empty or unknown code does not count.
const Language& chooseLanguage(std::string_view commandLine, std::string_view saved, const LocaleEnvironment& env);

// The language in force; English until set. Setting it sets the code page
// texts are converted to.
const Language& currentLanguage();
void setCurrentLanguage(const Language& language);
bool playingEnglish();

// Settings key of the player's choice ([Game] Language).
constexpr const char* kLanguageSection = "Game";
constexpr const char* kLanguageKey = "Language";
