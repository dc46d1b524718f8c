#include "res/texts.h"

#include <cstdio>
#include <map>

#include "frame/language.h"
#include "frame/text_encoding.h"

namespace {
// Far more than any translation needs; a larger file is read only this far.
constexpr size_t kMaxFileBytes = size_t{4} << 20;

std::map<std::string, std::string> g_texts;
bool g_loaded = false;

void addLine(const std::string& line) {
    const size_t space = line.find(' ');
    if (space == std::string::npos || space == 0) return;
    const size_t start = line.find_first_not_of(' ', space);
    // The file is UTF-8 (a line that is not is taken as the font's bytes
    // already); the labels draw Windows-1252 bytes.
    g_texts[line.substr(0, space)] =
        start == std::string::npos ? std::string() : fontTextOfFile(line.substr(start));
}
}  // namespace

bool loadTexts(const std::string& fileName) {
    if (FILE* f = std::fopen(fileName.c_str(), "rb")) {
        std::string content;
        char buffer[4096];
        for (size_t n; content.size() < kMaxFileBytes && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            content.append(buffer, n);
        std::fclose(f);
        loadTextsFromMemory(content);
    }
    g_loaded = true;
    return true;
}

void loadTextsFromMemory(const std::string& content) {
    // Editors may start a UTF-8 file with a byte-order mark; it does not
    // belong to the first key.
    size_t i = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::string line;
    for (; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\n') {
            addLine(line);
            line.clear();
        } else if (c == '\t') {
            line += ' ';
        } else if (c != '\r') {
            line += c;
        }
    }
    addLine(line);  // the last line needs no line feed
    g_loaded = true;
}

std::string getText(const std::string& key) {
    if (!g_loaded) return {};
    auto it = g_texts.find(key);
    return it == g_texts.end() ? std::string() : it->second;
}

void clearTexts() {
    g_texts.clear();
    g_loaded = false;
}

std::string languageDataPath(const std::string& fileName) {
    return playingEnglish() ? fileName : std::string("lang/") + currentLanguage().code + "/" + fileName;
}

void loadLanguageTexts(const std::string& fileName) {
    clearTexts();
    loadTexts(fileName);
    if (!playingEnglish()) loadTexts(languageDataPath(fileName));
}
