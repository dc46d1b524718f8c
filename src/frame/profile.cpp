#include "frame/profile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr const char* kBlanks = " \t\r\v\f";
constexpr const char kUtf8Bom[] = "\xEF\xBB\xBF";

enum class Kind { Blank, Comment, Header, Entry };

// One line of the file exactly as read, plus what it means. Lines are written
// back from text + eol, so untouched lines keep every byte.
struct Line {
    std::string text;
    std::string eol;  // "\n", "\r\n" or "" for a last line without one
    Kind kind = Kind::Blank;
    std::string name;       // section or key name, blanks dropped
    std::string value;      // entry value, blanks dropped, quotes kept
    bool hasValue = false;  // the entry has an "="
    size_t valueStart = 0;  // where the value begins in text
};

struct Doc {
    std::string bom;
    std::vector<Line> lines;
};

// Lines of one section: the header (none for the lines before the first
// header) and the body up to the next header.
struct Span {
    std::optional<size_t> header;
    size_t begin = 0;
    size_t end = 0;
};

std::string trim(const std::string& s) {
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

std::string trimRight(const std::string& s) {
    const size_t last = s.find_last_not_of(kBlanks);
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string stripQuotes(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

Line classify(std::string text, std::string eol) {
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string t = trim(line.text);
    if (t.empty()) {
        line.kind = Kind::Blank;
    } else if (t[0] == ';') {
        line.kind = Kind::Comment;
    } else if (t[0] == '[') {
        line.kind = Kind::Header;
        // The name runs to the last "]"; an unclosed header names the rest of the line.
        const size_t close = t.rfind(']');
        line.name = trim(close == std::string::npos || close == 0 ? t.substr(1) : t.substr(1, close - 1));
    } else {
        line.kind = Kind::Entry;
        const size_t eq = line.text.find('=');
        if (eq == std::string::npos) {
            line.name = t;
        } else {
            line.hasValue = true;
            line.name = trim(line.text.substr(0, eq));
            line.value = trim(line.text.substr(eq + 1));
            const size_t start = line.text.find_first_not_of(kBlanks, eq + 1);
            line.valueStart = start == std::string::npos ? line.text.size() : start;
        }
    }
    return line;
}

Doc parse(const std::string& content) {
    Doc doc;
    size_t pos = 0;
    if (content.compare(0, 3, kUtf8Bom) == 0) {
        doc.bom = kUtf8Bom;
        pos = 3;
    }
    while (pos < content.size()) {
        const size_t nl = content.find('\n', pos);
        std::string text = content.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        std::string eol;
        if (nl != std::string::npos) {
            eol = "\n";
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
                eol = "\r\n";
            }
        }
        doc.lines.push_back(classify(std::move(text), std::move(eol)));
        pos = nl == std::string::npos ? content.size() : nl + 1;
    }
    return doc;
}

std::string serialize(const Doc& doc) {
    std::string out = doc.bom;
    for (const Line& line : doc.lines) out += line.text + line.eol;
    return out;
}

std::string preferredEol(const Doc& doc) {
    for (const Line& line : doc.lines)
        if (!line.eol.empty()) return line.eol;
    return "\n";
}

std::vector<Span> sections(const Doc& doc, const std::string& name) {
    std::vector<Span> found;
    std::optional<Span> current = Span{};  // the lines before the first header
    auto close = [&](size_t end) {
        if (!current) return;
        current->end = end;
        const std::string currentName = current->header ? doc.lines[*current->header].name : std::string();
        if (sameName(currentName, name)) found.push_back(*current);
    };
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind != Kind::Header) continue;
        close(i);
        current = Span{i, i + 1, 0};
    }
    close(doc.lines.size());
    return found;
}

std::optional<Span> firstSection(const Doc& doc, const std::string& name) {
    std::vector<Span> all = sections(doc, name);
    if (all.empty()) return std::nullopt;
    return all.front();
}

const Line* findEntry(const Doc& doc, const Span& span, const std::string& key) {
    for (size_t i = span.begin; i < span.end; ++i)
        if (doc.lines[i].kind == Kind::Entry && sameName(doc.lines[i].name, key)) return &doc.lines[i];
    return nullptr;
}

// Where a new line of the section goes: after its last non-blank line.
size_t appendPosition(const Doc& doc, const Span& span) {
    size_t pos = span.begin;
    for (size_t i = span.begin; i < span.end; ++i)
        if (doc.lines[i].kind != Kind::Blank) pos = i + 1;
    return pos;
}

void insertLines(Doc& doc, size_t pos, const std::vector<std::string>& texts) {
    if (texts.empty()) return;
    const std::string eol = preferredEol(doc);
    // A file that ended without a line break still does.
    const bool endWithoutEol = pos == doc.lines.size() && pos > 0 && doc.lines[pos - 1].eol.empty();
    if (pos > 0 && doc.lines[pos - 1].eol.empty()) doc.lines[pos - 1].eol = eol;
    std::vector<Line> added;
    for (const std::string& text : texts) added.push_back(classify(text, eol));
    if (endWithoutEol) added.back().eol.clear();
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(pos), added.begin(), added.end());
}

void appendSection(Doc& doc, const std::string& name, const std::vector<std::string>& body) {
    std::vector<std::string> texts;
    if (!doc.lines.empty() && doc.lines.back().kind != Kind::Blank) texts.emplace_back();
    texts.push_back("[" + name + "]");
    texts.insert(texts.end(), body.begin(), body.end());
    insertLines(doc, doc.lines.size(), texts);
}

bool hasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

bool validSection(const std::string& name) {
    return !name.empty() && !hasLineBreak(name);
}

bool validKey(const std::string& key) {
    return !key.empty() && !hasLineBreak(key) && key.find('=') == std::string::npos && key[0] != '[' &&
           key[0] != ';';
}

// Loads the file for a change. A missing file is an empty one; a file that
// exists but cannot be read is never overwritten.
bool loadForWrite(const std::string& path, Doc& doc) {
    std::string content;
    if (platform::readFile(path, content)) {
        doc = parse(content);
        return true;
    }
    if (platform::fileExists(path)) return false;
    doc = Doc{};
    return !path.empty();
}

Doc loadForRead(const std::string& path) {
    std::string content;
    if (!platform::readFile(path, content)) return Doc{};
    return parse(content);
}

bool save(const std::string& path, const Doc& doc) {
    return platform::writeFileAtomic(path, serialize(doc));
}

// Ends each name with a zero; a list longer than the buffer keeps
// maxLen - 2 characters, ended by a zero, like the Windows call.
std::string finishList(std::string list, int maxLen) {
    if (static_cast<long long>(list.size()) + 1 <= maxLen) return list;
    if (maxLen < 2) return {};
    list.resize(static_cast<size_t>(maxLen - 2));
    list.push_back('\0');
    return list;
}

std::string cut(std::string s, int maxLen) {
    if (maxLen <= 0) return {};
    if (s.size() > static_cast<size_t>(maxLen - 1)) s.resize(static_cast<size_t>(maxLen - 1));
    return s;
}

}  // namespace

std::string profileGetString(const std::string& file, const char* section, const char* key, const char* def,
                             int maxLen) {
    const std::string path = platform::normalizeSeparators(file);
    const Doc doc = loadForRead(path);
    if (!section) {
        std::string list;
        std::vector<std::string> seen;
        for (const Line& line : doc.lines) {
            if (line.kind != Kind::Header) continue;
            if (std::any_of(seen.begin(), seen.end(),
                            [&](const std::string& s) { return sameName(s, line.name); }))
                continue;
            seen.push_back(line.name);
            list += line.name;
            list.push_back('\0');
        }
        return finishList(std::move(list), maxLen);
    }
    const std::optional<Span> span = firstSection(doc, trim(section));
    if (!key) {
        std::string list;
        if (span)
            for (size_t i = span->begin; i < span->end; ++i) {
                const Line& line = doc.lines[i];
                if (line.kind != Kind::Entry || !line.hasValue) continue;
                list += line.name;
                list.push_back('\0');
            }
        return finishList(std::move(list), maxLen);
    }
    if (span)
        if (const Line* entry = findEntry(doc, *span, trim(key)); entry && entry->hasValue)
            return cut(stripQuotes(entry->value), maxLen);
    return cut(trimRight(def ? def : ""), maxLen);
}

int profileGetInt(const std::string& file, const char* section, const char* key, int def) {
    if (!section || !key) return def;
    const std::string s = profileGetString(file, section, key, "");
    if (s.empty()) return def;
    size_t i = 0;
    bool negative = false;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    uint32_t value = 0;  // wraps on overflow, as the Windows conversion does
    if (i + 1 < s.size() && s[i] == '0' && s[i + 1] == 'x') {
        for (i += 2; i < s.size(); ++i) {
            const char c = lower(s[i]);
            uint32_t digit;
            if (c >= '0' && c <= '9')
                digit = static_cast<uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                digit = static_cast<uint32_t>(c - 'a' + 10);
            else
                break;
            value = value * 16u + digit;
        }
    } else {
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
            value = value * 10u + static_cast<uint32_t>(s[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

bool profileWriteString(const std::string& file, const char* section, const char* key, const char* value) {
    if (!section) return false;
    const std::string sectionName = trim(section);
    if (!validSection(sectionName)) return false;
    const std::string path = platform::normalizeSeparators(file);
    Doc doc;
    if (!loadForWrite(path, doc)) return false;

    if (!key) {
        const std::vector<Span> spans = sections(doc, sectionName);
        if (spans.empty()) return true;
        // Every copy of the section goes, so no later duplicate shows through.
        for (auto it = spans.rbegin(); it != spans.rend(); ++it)
            doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(*it->header),
                            doc.lines.begin() + static_cast<std::ptrdiff_t>(it->end));
        return save(path, doc);
    }

    const std::string keyName = trim(key);
    if (!validKey(keyName)) return false;
    const std::optional<Span> span = firstSection(doc, sectionName);

    if (!value) {
        if (!span) return true;
        const size_t before = doc.lines.size();
        for (size_t i = span->end; i-- > span->begin;)
            if (doc.lines[i].kind == Kind::Entry && sameName(doc.lines[i].name, keyName))
                doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(i));
        return doc.lines.size() == before || save(path, doc);
    }

    // Leading blanks of a value cannot be read back, so they are not written.
    std::string newValue = value;
    newValue.erase(0, newValue.find_first_not_of(kBlanks) == std::string::npos
                          ? newValue.size()
                          : newValue.find_first_not_of(kBlanks));
    if (hasLineBreak(newValue)) return false;

    if (!span) {
        appendSection(doc, sectionName, {keyName + "=" + newValue});
        return save(path, doc);
    }
    for (size_t i = span->begin; i < span->end; ++i) {
        Line& line = doc.lines[i];
        if (line.kind != Kind::Entry || !sameName(line.name, keyName)) continue;
        if (line.hasValue && line.value == trim(newValue)) return true;  // reads the same already
        // Keep the line's own spelling of the key and its spacing around "=".
        const std::string text = line.hasValue ? line.text.substr(0, line.valueStart) + newValue
                                               : trimRight(line.text) + "=" + newValue;
        line = classify(text, line.eol);
        return save(path, doc);
    }
    insertLines(doc, appendPosition(doc, *span), {keyName + "=" + newValue});
    return save(path, doc);
}

int profileGetSection(const std::string& file, const char* section, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::string list;
    if (section) {
        const Doc doc = loadForRead(platform::normalizeSeparators(file));
        if (const std::optional<Span> span = firstSection(doc, trim(section)))
            for (size_t i = span->begin; i < span->end; ++i) {
                const Line& line = doc.lines[i];
                if (line.kind != Kind::Entry) continue;
                list += line.hasValue ? line.name + "=" + line.value : line.name;
                list.push_back('\0');
            }
    }
    if (list.size() + 1 <= static_cast<size_t>(size)) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty() && size >= 2) buffer[1] = '\0';
        return static_cast<int>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    const size_t kept = static_cast<size_t>(size - 2);
    std::memcpy(buffer, list.data(), kept);
    buffer[kept] = '\0';
    buffer[kept + 1] = '\0';
    return size - 2;
}

bool profileWriteSection(const std::string& file, const char* section, const char* text) {
    if (!section) return false;
    if (!text) return profileWriteString(file, section, nullptr, nullptr);
    const std::string sectionName = trim(section);
    if (!validSection(sectionName)) return false;

    std::vector<std::string> body;
    for (const char* p = text; *p; p += std::strlen(p) + 1) {
        const std::string entry = p;
        if (hasLineBreak(entry)) return false;
        const size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            const std::string t = trim(entry);
            if (t.empty()) continue;
            if (t[0] == '[') return false;
            body.push_back(t);
            continue;
        }
        const std::string name = trim(entry.substr(0, eq));
        if (!validKey(name)) return false;
        const std::string rest = entry.substr(eq + 1);
        const size_t start = rest.find_first_not_of(kBlanks);
        body.push_back(name + "=" + (start == std::string::npos ? std::string() : rest.substr(start)));
    }

    const std::string path = platform::normalizeSeparators(file);
    Doc doc;
    if (!loadForWrite(path, doc)) return false;
    if (const std::optional<Span> span = firstSection(doc, sectionName)) {
        const size_t end = appendPosition(doc, *span);
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(span->begin),
                        doc.lines.begin() + static_cast<std::ptrdiff_t>(end));
        insertLines(doc, span->begin, body);
    } else {
        appendSection(doc, sectionName, body);
    }
    return save(path, doc);
}

int profileAddMissing(const std::string& file, const std::string& from) {
    std::string content;
    if (!platform::readFile(platform::normalizeSeparators(from), content)) return -1;
    const Doc shipped = parse(content);
    const std::string path = platform::normalizeSeparators(file);
    // A copy that cannot be read is never written over.
    if (!platform::readFile(path, content)) return -1;
    Doc doc = parse(content);

    // The comment lines right above line `at` of the shipped file.
    auto commentsAbove = [&](size_t at, size_t floor) {
        size_t first = at;
        while (first > floor && shipped.lines[first - 1].kind == Kind::Comment) --first;
        std::vector<std::string> texts;
        for (size_t i = first; i < at; ++i) texts.push_back(shipped.lines[i].text);
        return texts;
    };

    int added = 0;
    for (size_t h = 0; h < shipped.lines.size(); ++h) {
        if (shipped.lines[h].kind != Kind::Header) continue;
        Span span{h, h + 1, shipped.lines.size()};
        for (size_t i = h + 1; i < shipped.lines.size(); ++i)
            if (shipped.lines[i].kind == Kind::Header) {
                span.end = i;
                break;
            }
        // Comments after the last key describe whatever follows the section.
        size_t lastEntry = span.begin;
        for (size_t i = span.begin; i < span.end; ++i)
            if (shipped.lines[i].kind == Kind::Entry) lastEntry = i + 1;
        const std::string& name = shipped.lines[h].name;
        if (name.empty()) continue;

        const std::optional<Span> mine = firstSection(doc, name);
        if (!mine) {
            std::vector<std::string> body;
            for (size_t i = span.begin; i < lastEntry; ++i) {
                body.push_back(shipped.lines[i].text);
                if (shipped.lines[i].kind == Kind::Entry && shipped.lines[i].hasValue) ++added;
            }
            std::vector<std::string> texts;
            if (!doc.lines.empty() && doc.lines.back().kind != Kind::Blank) texts.emplace_back();
            for (std::string& c : commentsAbove(h, 0)) texts.push_back(std::move(c));
            texts.push_back("[" + name + "]");
            texts.insert(texts.end(), body.begin(), body.end());
            insertLines(doc, doc.lines.size(), texts);
            continue;
        }
        std::vector<std::string> missing;
        std::vector<std::string> names;
        for (size_t i = span.begin; i < lastEntry; ++i) {
            const Line& line = shipped.lines[i];
            if (line.kind != Kind::Entry || !line.hasValue || findEntry(doc, *mine, line.name)) continue;
            if (std::any_of(names.begin(), names.end(),
                            [&](const std::string& n) { return sameName(n, line.name); }))
                continue;
            names.push_back(line.name);
            for (std::string& c : commentsAbove(i, span.begin)) missing.push_back(std::move(c));
            missing.push_back(line.text);
            ++added;
        }
        insertLines(doc, appendPosition(doc, *mine), missing);
    }
    if (added == 0) return 0;
    return save(path, doc) ? added : -1;
}
