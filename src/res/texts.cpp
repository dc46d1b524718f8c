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

// The file's first kMaxFileBytes (what could be read of them); false when
// it cannot be opened.
bool readHead(const std::string& fileName, std::string& content) {
    FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return false;
    char buffer[4096];
    for (size_t n; content.size() < kMaxFileBytes && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        content.append(buffer, n);
    std::fclose(f);
    return true;
}

// Calls add(key, text) for every "KEY   text" line.
template <class Add>
void forEachLine(const std::string& content, Add add) {
    // Editors may start a UTF-8 file with a byte-order mark; it does not
    // belong to the first key.
    size_t i = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::string line;
    auto split = [&] {
        const size_t space = line.find(' ');
        if (space == std::string::npos || space == 0) return;
        const size_t start = line.find_first_not_of(' ', space);
        add(line.substr(0, space), start == std::string::npos ? std::string() : line.substr(start));
    };
    for (; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\n') {
            split();
            line.clear();
        } else if (c == '\t') {
            line += ' ';
        } else if (c != '\r') {
            line += c;
        }
    }
    split();  // the last line needs no line feed
}
}  // namespace

bool loadTexts(const std::string& fileName) {
    if (std::string content; readHead(fileName, content)) loadTextsFromMemory(content);
    g_loaded = true;
    return true;
}

void loadTextsFromMemory(const std::string& content) {
    // The file is UTF-8 (a line that is not is taken as the font's bytes
    // already); the labels draw the code page's bytes.
    forEachLine(content, [](const std::string& key, const std::string& text) { g_texts[key] = fontTextOfFile(text); });
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

std::map<std::string, std::string> readUtf8Texts(const std::string& fileName, const Language& language) {
    std::map<std::string, std::string> texts;
    auto add = [&](const std::string& path) {
        std::string content;
        if (!readHead(path, content)) return;
        // A line in another encoding would show as garbage in the system's
        // box: its key keeps what it had.
        forEachLine(content, [&](const std::string& key, const std::string& text) {
            if (isUtf8(text)) texts[key] = text;
        });
    };
    add(fileName);
    if (&language != &languages().front()) add(std::string("lang/") + language.code + "/" + fileName);
    return texts;
}
