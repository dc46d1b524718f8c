#include "po.h"

#include <fstream>
#include <stdexcept>

namespace lg {

namespace {

// The string literal starting at s[i] (a quote); i moves past it.
std::string unquote(const std::string& s, size_t& i, const std::string& where) {
    if (i >= s.size() || s[i] != '"') throw std::runtime_error(where + ": a quoted string was expected");
    std::string out;
    for (++i; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            ++i;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size()) break;
        switch (s[i]) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            default: throw std::runtime_error(where + ": unknown escape \\" + std::string(1, s[i]));
        }
    }
    throw std::runtime_error(where + ": the string does not end");
}

std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

}  // namespace

std::vector<PoEntry> readPo(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<PoEntry> entries;
    PoEntry current;
    bool started = false, fuzzyNext = false, sawText = false;
    std::string* field = nullptr;
    auto finish = [&] {
        if (started) entries.push_back(current);
        current = PoEntry{};
        started = sawText = false;
        field = nullptr;
    };
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        const std::string where = path + ":" + std::to_string(number);
        const std::string line = trimmed(raw);
        if (line.empty()) {
            finish();
            continue;
        }
        if (line[0] == '#') {
            if (line.compare(0, 2, "#,") == 0 && line.find("fuzzy") != std::string::npos) fuzzyNext = true;
            // An obsolete entry (#~) is no entry.
            continue;
        }
        size_t i = 0;
        if (line[0] == '"') {
            if (!field) throw std::runtime_error(where + ": a string outside an entry");
            *field += unquote(line, i, where);
            continue;
        }
        const size_t space = line.find(' ');
        const std::string keyword = line.substr(0, space);
        if (space == std::string::npos) throw std::runtime_error(where + ": '" + keyword + "' without a string");
        if ((keyword == "msgctxt" || keyword == "msgid") && sawText) finish();
        if (keyword == "msgctxt" || keyword == "msgid") {
            if (!started) {
                current.fuzzy = fuzzyNext;
                fuzzyNext = false;
            }
            started = true;
        }
        if (keyword == "msgctxt")
            field = &current.context;
        else if (keyword == "msgid")
            field = &current.id;
        else if (keyword == "msgstr")
            field = &current.text, sawText = true;
        else if (keyword == "msgid_plural" || keyword.compare(0, 7, "msgstr[") == 0)
            throw std::runtime_error(where + ": plural forms are not used by the game");
        else
            throw std::runtime_error(where + ": unknown keyword '" + keyword + "'");
        i = space + 1;
        while (i < line.size() && line[i] == ' ') ++i;
        field->clear();
        *field = unquote(line, i, where);
    }
    finish();
    return entries;
}

Catalogue translated(const std::vector<PoEntry>& entries) {
    Catalogue out;
    for (const PoEntry& e : entries)
        if (!e.id.empty() && !e.text.empty() && !e.fuzzy) out[{e.context, e.id}] = e.text;
    return out;
}

std::string poQuote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

}  // namespace lg
