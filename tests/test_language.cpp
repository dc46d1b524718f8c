// The game's languages: which one a start picks, the code pages the texts
// are drawn in, and what the build made of each translation.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "frame/command_line.h"
#include "frame/language.h"
#include "platform/code_pages.h"

namespace {

const std::string kData = VM_TEST_DATA_DIR;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string codeOf(std::string_view commandLine, std::string_view saved, LocaleEnvironment env) {
    return chooseLanguage(commandLine, saved, env).code;
}

}  // namespace

TEST(LanguageChoice, CommandLineThenSavedChoiceThenSystemThenEnglish) {
    LocaleEnvironment german;
    german.lang = "de_DE.UTF-8";
    EXPECT_EQ(codeOf("ru", "fr", german), "ru");
    EXPECT_EQ(codeOf("", "fr", german), "fr");
    EXPECT_EQ(codeOf("", "", german), "de");
    EXPECT_EQ(codeOf("", "", LocaleEnvironment{}), "en");
    // A code the game does not know counts as not given.
    EXPECT_EQ(codeOf("xx", "klingon", german), "de");
}

TEST(LanguageChoice, TheSystemsVariablesInGettextsOrder) {
    LocaleEnvironment env;
    env.lang = "fr_FR.UTF-8";
    env.lcMessages = "it_IT";
    EXPECT_EQ(languageOfEnvironment(env).code, std::string("it"));
    env.lcAll = "sv_SE.UTF-8";
    EXPECT_EQ(languageOfEnvironment(env).code, std::string("sv"));
    // LANGUAGE's list wins, first language the game has...
    env.language = "eo:pl:de";
    EXPECT_EQ(languageOfEnvironment(env).code, std::string("pl"));
    // ...but not over the plain C locale, and an empty variable is unset.
    env.lcAll = "C";
    EXPECT_EQ(languageOfEnvironment(env).code, std::string("en"));
    env.lcAll = "";
    EXPECT_EQ(languageOfEnvironment(env).code, std::string("pl"));
}

TEST(LanguageChoice, LocaleNamesWithTerritoryCodesetAndModifier) {
    EXPECT_EQ(languageOfLocale("pt_BR.UTF-8")->code, std::string("pt_BR"));
    EXPECT_EQ(languageOfLocale("pt_PT")->code, std::string("pt_BR"));
    EXPECT_EQ(languageOfLocale("de_AT.ISO-8859-1@euro")->code, std::string("de"));
    EXPECT_EQ(languageOfLocale("cs")->code, std::string("cs"));
    EXPECT_EQ(languageOfLocale("POSIX"), nullptr);
    EXPECT_EQ(languageOfLocale("ja_JP.UTF-8"), nullptr);
    EXPECT_EQ(languageOfLocale(""), nullptr);
}

TEST(LanguageChoice, TheCommandLineTakesALanguageAndRefusesAnUnknownOne) {
    EXPECT_EQ(parseCommandLine({"--language", "cs"}, nullptr).options.language, "cs");
    EXPECT_EQ(parseCommandLine({"--language=pt_BR", "--windowed"}, nullptr).options.language, "pt_BR");
    EXPECT_EQ(parseCommandLine({"--language", "xx"}, nullptr).action, CommandLine::Action::Error);
    EXPECT_EQ(parseCommandLine({"--language"}, nullptr).action, CommandLine::Action::Error);
    EXPECT_NE(usageText().find("--language=CODE"), std::string::npos);
}

TEST(CodePages, EveryAssignedByteRoundTripsThroughUtf8) {
    using platform::CodePage;
    for (CodePage page : {CodePage::Western, CodePage::Central, CodePage::Cyrillic}) {
        int assigned = 0;
        for (int b = 1; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string utf8 = platform::codePageToUtf8(byte, page);
            if (utf8.empty()) continue;  // unassigned in this page
            ++assigned;
            EXPECT_EQ(platform::utf8ToCodePage(utf8, page), byte) << "byte " << b;
        }
        EXPECT_GE(assigned, 250) << "page " << static_cast<int>(page);
    }
    // What a page lacks is named, not silently dropped.
    std::string lost;
    EXPECT_EQ(platform::utf8ToCodePage("a\xD0\xAF" "b", CodePage::Western, &lost), "ab");
    EXPECT_EQ(lost, "\xD0\xAF");  // Я
    EXPECT_EQ(platform::utf8ToCodePage("\xD0\xAF", CodePage::Cyrillic), "\xDF");
    EXPECT_EQ(platform::utf8ToCodePage("\xC5\x99", CodePage::Central), "\xF8");  // ř
}

// Every character each language's compiled texts and tips use comes back
// unchanged from its code page.
TEST(CodePages, EveryCharacterOfEachTranslationRoundTrips) {
    for (const Language& l : languages()) {
        if (l.code == std::string("en")) continue;
        for (const char* file : {"vm_texts.loc", "tips.ini"}) {
            const auto path = std::filesystem::path(kData) / "lang" / l.code / file;
            const std::string utf8 = readFile(path);
            ASSERT_FALSE(utf8.empty()) << path;
            std::set<std::string> characters;
            for (size_t i = 0, start = 0; i < utf8.size(); start = i) {
                uint32_t cp = 0;
                ASSERT_TRUE(platform::nextCodePoint(utf8, i, cp)) << path << " is not UTF-8 at " << start;
                characters.insert(utf8.substr(start, i - start));
            }
            for (const std::string& c : characters) {
                std::string lost;
                const std::string bytes = platform::utf8ToCodePage(c, l.page, &lost);
                EXPECT_TRUE(lost.empty()) << l.code << " " << file << ": \"" << c << "\" is not in its code page";
                EXPECT_EQ(platform::codePageToUtf8(bytes, l.page), c) << l.code << " " << file;
            }
        }
    }
}

namespace {
// Width and height from a PNG's header.
std::pair<uint32_t, uint32_t> pngSize(const std::filesystem::path& path) {
    const std::string head = readFile(path).substr(0, 24);
    if (head.size() < 24 || head.compare(12, 4, "IHDR") != 0) return {0, 0};
    auto be = [&](size_t at) {
        return (uint32_t(uint8_t(head[at])) << 24) | (uint32_t(uint8_t(head[at + 1])) << 16) |
               (uint32_t(uint8_t(head[at + 2])) << 8) | uint32_t(uint8_t(head[at + 3]));
    };
    return {be(16), be(20)};
}
}  // namespace

// Each language has its own copy of every picture with words, in the place
// and at the size of the English one (the banners over the field are sized
// to their words), and the fonts of the other code pages are drawn.
TEST(LanguagePictures, EveryPictureWithWordsIsDrawnInEachLanguageAtItsSize) {
    const std::filesystem::path pic = std::filesystem::path(kData) / "pic";
    std::set<std::string> withWords;
    for (const auto& e : std::filesystem::recursive_directory_iterator(pic / "de"))
        if (e.is_regular_file()) withWords.insert(std::filesystem::relative(e.path(), pic / "de").string());
    ASSERT_GE(withWords.size(), 40u);
    EXPECT_TRUE(withWords.count("menu/Buttons_MM_Options.png"));
    for (const Language& l : languages()) {
        if (l.code == std::string("en")) continue;
        for (const std::string& rel : withWords) {
            const auto translated = pic / l.code / rel;
            ASSERT_TRUE(std::filesystem::exists(translated)) << translated;
            if (rel.rfind("messages", 0) == 0) continue;
            EXPECT_EQ(pngSize(translated), pngSize(pic / rel)) << translated;
        }
    }
    for (const char* page : {"cp1250", "cp1251"}) EXPECT_EQ(pngSize(pic / page / "font1.png"), pngSize(pic / "font1.png"));
}
