#include "res/texts.h"

#include <cstdio>
#include <map>

namespace {
std::map<std::string, std::string> g_texts;
bool g_loaded = false;

void addLine(const std::string& line) {
    const size_t space = line.find(' ');
    if (space == std::string::npos || space == 0) return;
    const size_t start = line.find_first_not_of(' ', space);
    g_texts[line.substr(0, space)] = start == std::string::npos ? std::string() : line.substr(start);
}
}  // namespace

bool loadTexts(const std::string& fileName) {
    if (FILE* f = std::fopen(fileName.c_str(), "rb")) {
        std::string line;
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            if (c == '\n') {
                addLine(line);
                line.clear();
            } else if (c == '\t') {
                line += ' ';
            } else if (c != '\r') {
                line += static_cast<char>(c);
            }
        }
        addLine(line);  // the last line needs no line feed
        std::fclose(f);
    }
    g_loaded = true;
    return true;
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
