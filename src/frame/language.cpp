#include "frame/language.h"

using platform::CodePage;

namespace {
const Language* g_current = nullptr;
}

const std::vector<Language>& languages() {
    static const std::vector<Language> all = {
        {"en", "English", CodePage::Western},
        {"de", "Deutsch", CodePage::Western},
        {"fr", "Français", CodePage::Western},
        {"es", "Español", CodePage::Western},
        {"it", "Italiano", CodePage::Western},
        {"pt_BR", "Português (Brasil)", CodePage::Western},
        {"nl", "Nederlands", CodePage::Western},
        {"sv", "Svenska", CodePage::Western},
        {"pl", "Polski", CodePage::Central},
        {"cs", "Čeština", CodePage::Central},
        {"ru", "Русский", CodePage::Cyrillic},
    };
    return all;
}

const Language* findLanguage(std::string_view code) {
    for (const Language& l : languages())
        if (code == l.code) return &l;
    return nullptr;
}

const Language* languageOfLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    const size_t end = locale.find_first_of(".@");
    if (end != std::string_view::npos) locale = locale.substr(0, end);
    if (locale.empty() || locale == "C" || locale == "POSIX") return nullptr;
    if (const Language* exact = findLanguage(locale)) return exact;
    const std::string_view base = locale.substr(0, locale.find('_'));
    // Portugal's players get Brazil's Portuguese rather than English.
    if (base == "pt") return findLanguage("pt_BR");
    return findLanguage(base);
}

const Language& languageOfEnvironment(const LocaleEnvironment& env) {
    // The first of these that is set and not empty is the locale.
    std::string_view locale;
    for (const char* v : {env.lcAll, env.lcMessages, env.lang})
        if (v && *v) {
            locale = v;
            break;
        }
    // LANGUAGE lists languages in order of liking; as with gettext it counts
    // only when a locale is set at all and is not the plain C one.
    const bool plain = locale.empty() || locale == "C" || locale == "POSIX" || locale.substr(0, 2) == "C.";
    if (env.language && *env.language && !plain) {
        std::string_view list = env.language;
        while (!list.empty()) {
            const size_t colon = list.find(':');
            if (const Language* l = languageOfLocale(list.substr(0, colon))) return *l;
            if (colon == std::string_view::npos) break;
            list.remove_prefix(colon + 1);
        }
    }
    if (const Language* l = languageOfLocale(locale)) return *l;
    return languages().front();
}

const Language& chooseLanguage(std::string_view commandLine, std::string_view saved, const LocaleEnvironment& env) {
    if (const Language* l = findLanguage(commandLine)) return *l;
    if (const Language* l = findLanguage(saved)) return *l;
    return languageOfEnvironment(env);
}

const Language& currentLanguage() { return g_current ? *g_current : languages().front(); }

void setCurrentLanguage(const Language& language) {
    g_current = &language;
    platform::setTextCodePage(language.page);
}

bool playingEnglish() { return &currentLanguage() == &languages().front(); }
