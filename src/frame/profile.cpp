#include "frame/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "frame/errors.h"
#include "platform/platform.h"

namespace {

constexpr const char* kBlanks = " \t\r\v\f";
constexpr const char kUtf8Bom[] = "\xEF\xBB\xBF";

enum class Kind : uint8_t { Blank, Comment, Header, Entry };
enum class Eol : uint8_t { None, Lf, CrLf };

// One line of the file: where its text lies in the document's buffer, plus
// what it means. Names and values are pieces of the line's own text, so a
// line costs a few numbers however long the file is. Lines are written back
// from text + eol, so untouched lines keep every byte.
struct Line {
    uint32_t begin = 0, length = 0;          // text
    uint32_t nameBegin = 0, nameLength = 0;  // section or key name, blanks dropped
    uint32_t valueBegin = 0, valueLength = 0;  // entry value, blanks dropped, quotes kept
    Eol eol = Eol::None;
    Kind kind = Kind::Blank;
    bool hasValue = false;  // the entry has an "="
};

// Lines of one section: the header (none for the lines before the first
// header) and the body up to the next header.
struct Span {
    std::optional<size_t> header;
    size_t begin = 0;
    size_t end = 0;
};

struct Doc {
    std::string buffer;  // the file as read; lines added by a change are appended
    size_t bomLength = 0;
    std::vector<Line> lines;

    std::string_view text(const Line& l) const { return std::string_view(buffer).substr(l.begin, l.length); }
    std::string_view name(const Line& l) const { return std::string_view(buffer).substr(l.nameBegin, l.nameLength); }
    std::string_view value(const Line& l) const {
        return std::string_view(buffer).substr(l.valueBegin, l.valueLength);
    }
    size_t valueStart(const Line& l) const { return l.valueBegin - l.begin; }
};

// What reads look up in a document that is kept: every section in file
// order, and sorted views of the first section of each name and of the
// first entry of each key in it, so a read costs two binary searches.
struct Index {
    struct Section {
        Span span;
        uint32_t keysBegin = 0, keysEnd = 0;  // its range of `keys`
        bool firstOfName = false;
    };
    std::vector<Section> sections;    // sections[0]: the lines before the first header
    std::vector<uint32_t> byName;     // sections after the first, the first of each name, sorted by name
    std::vector<uint32_t> keys;       // per section: entry lines, the first of each key, sorted
};

std::string_view trimView(std::string_view s) {
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

std::string trim(const std::string& s) { return std::string(trimView(s)); }

std::string trimRight(std::string_view s) {
    const size_t last = s.find_last_not_of(kBlanks);
    return last == std::string_view::npos ? std::string() : std::string(s.substr(0, last + 1));
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// Orders names as sameName compares them.
int compareNames(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(lower(a[i])), y = static_cast<unsigned char>(lower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string stripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return std::string(v.substr(1, v.size() - 2));
    return std::string(v);
}

// Classifies the text at [begin, begin + length) of the buffer.
Line classify(const std::string& buffer, size_t begin, size_t length, Eol eol) {
    Line line;
    line.begin = static_cast<uint32_t>(begin);
    line.length = static_cast<uint32_t>(length);
    line.eol = eol;
    const std::string_view text = std::string_view(buffer).substr(begin, length);
    auto setName = [&](std::string_view piece) {
        line.nameBegin = static_cast<uint32_t>(piece.empty() ? begin : piece.data() - buffer.data());
        line.nameLength = static_cast<uint32_t>(piece.size());
    };
    const std::string_view t = trimView(text);
    if (t.empty()) {
        line.kind = Kind::Blank;
    } else if (t[0] == ';') {
        line.kind = Kind::Comment;
    } else if (t[0] == '[') {
        line.kind = Kind::Header;
        // The name runs to the last "]"; an unclosed header names the rest of the line.
        const size_t close = t.rfind(']');
        setName(trimView(close == std::string_view::npos || close == 0 ? t.substr(1) : t.substr(1, close - 1)));
    } else {
        line.kind = Kind::Entry;
        const size_t eq = text.find('=');
        if (eq == std::string_view::npos) {
            setName(t);
        } else {
            line.hasValue = true;
            setName(trimView(text.substr(0, eq)));
            const std::string_view value = trimView(text.substr(eq + 1));
            const size_t start = text.find_first_not_of(kBlanks, eq + 1);
            line.valueBegin = static_cast<uint32_t>(begin + (start == std::string_view::npos ? length : start));
            line.valueLength = static_cast<uint32_t>(value.size());
        }
    }
    return line;
}

Line appendLine(Doc& doc, const std::string& text, Eol eol) {
    const size_t begin = doc.buffer.size();
    doc.buffer += text;
    return classify(doc.buffer, begin, text.size(), eol);
}

Doc parse(std::string content) {
    Doc doc;
    doc.buffer = std::move(content);
    const std::string& c = doc.buffer;
    size_t pos = 0;
    if (c.compare(0, 3, kUtf8Bom) == 0) doc.bomLength = pos = 3;
    // One allocation for the lines, sized by the line breaks.
    doc.lines.reserve(static_cast<size_t>(std::count(c.begin() + static_cast<std::ptrdiff_t>(pos), c.end(), '\n')) + 1);
    while (pos < c.size()) {
        const size_t nl = c.find('\n', pos);
        size_t length = (nl == std::string::npos ? c.size() : nl) - pos;
        Eol eol = Eol::None;
        if (nl != std::string::npos) {
            eol = Eol::Lf;
            if (length > 0 && c[pos + length - 1] == '\r') {
                --length;
                eol = Eol::CrLf;
            }
        }
        doc.lines.push_back(classify(c, pos, length, eol));
        pos = nl == std::string::npos ? c.size() : nl + 1;
    }
    return doc;
}

const char* eolText(Eol eol) {
    switch (eol) {
    case Eol::Lf: return "\n";
    case Eol::CrLf: return "\r\n";
    default: return "";
    }
}

std::string serialize(const Doc& doc) {
    std::string out = doc.buffer.substr(0, doc.bomLength);
    size_t total = out.size();
    for (const Line& line : doc.lines) total += line.length + 2;
    out.reserve(total);
    for (const Line& line : doc.lines) {
        out += doc.text(line);
        out += eolText(line.eol);
    }
    return out;
}

Eol preferredEol(const Doc& doc) {
    for (const Line& line : doc.lines)
        if (line.eol != Eol::None) return line.eol;
    return Eol::Lf;
}

std::string_view sectionName(const Doc& doc, const Span& span) {
    return span.header ? doc.name(doc.lines[*span.header]) : std::string_view();
}

// Every section in file order; the first is the lines before any header.
std::vector<Span> allSections(const Doc& doc) {
    std::vector<Span> all(1);
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind != Kind::Header) continue;
        all.back().end = i;
        all.push_back(Span{i, i + 1, 0});
    }
    all.back().end = doc.lines.size();
    return all;
}

std::vector<Span> sections(const Doc& doc, std::string_view name) {
    std::vector<Span> found;
    for (const Span& span : allSections(doc))
        if (sameName(sectionName(doc, span), name)) found.push_back(span);
    return found;
}

std::optional<Span> firstSection(const Doc& doc, std::string_view name) {
    std::vector<Span> all = sections(doc, name);
    if (all.empty()) return std::nullopt;
    return all.front();
}

// Where a new line of the section goes: after its last non-blank line.
size_t appendPosition(const Doc& doc, const Span& span) {
    size_t pos = span.begin;
    for (size_t i = span.begin; i < span.end; ++i)
        if (doc.lines[i].kind != Kind::Blank) pos = i + 1;
    return pos;
}

const Line* findEntry(const Doc& doc, const Span& span, std::string_view key) {
    for (size_t i = span.begin; i < span.end; ++i)
        if (doc.lines[i].kind == Kind::Entry && sameName(doc.name(doc.lines[i]), key)) return &doc.lines[i];
    return nullptr;
}

void insertLines(Doc& doc, size_t pos, const std::vector<std::string>& texts) {
    if (texts.empty()) return;
    const Eol eol = preferredEol(doc);
    // A file that ended without a line break still does.
    const bool endWithoutEol = pos == doc.lines.size() && pos > 0 && doc.lines[pos - 1].eol == Eol::None;
    if (pos > 0 && doc.lines[pos - 1].eol == Eol::None) doc.lines[pos - 1].eol = eol;
    std::vector<Line> added;
    for (const std::string& text : texts) added.push_back(appendLine(doc, text, eol));
    if (endWithoutEol) added.back().eol = Eol::None;
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(pos), added.begin(), added.end());
}

void appendSection(Doc& doc, const std::string& name, const std::vector<std::string>& body) {
    std::vector<std::string> texts;
    if (!doc.lines.empty() && doc.lines.back().kind != Kind::Blank) texts.emplace_back();
    texts.push_back("[" + name + "]");
    texts.insert(texts.end(), body.begin(), body.end());
    insertLines(doc, doc.lines.size(), texts);
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool validSection(const std::string& name) {
    return !name.empty() && !hasLineBreak(name);
}

bool validKey(const std::string& key) {
    return !key.empty() && !hasLineBreak(key) && key.find('=') == std::string::npos && key[0] != '[' &&
           key[0] != ';';
}

Index buildIndex(const Doc& doc) {
    Index index;
    for (const Span& span : allSections(doc)) index.sections.push_back({span, 0, 0, false});
    const auto nameOf = [&](uint32_t s) { return sectionName(doc, index.sections[s].span); };
    // The lines before the first header are found by the empty name alone;
    // "[]" headers are sections of their own.
    index.byName.resize(index.sections.size() - 1);
    for (uint32_t s = 0; s < index.byName.size(); ++s) index.byName[s] = s + 1;
    // Stable: of sections that share a name, the first in the file comes first.
    std::stable_sort(index.byName.begin(), index.byName.end(),
                     [&](uint32_t a, uint32_t b) { return compareNames(nameOf(a), nameOf(b)) < 0; });
    index.byName.erase(std::unique(index.byName.begin(), index.byName.end(),
                                   [&](uint32_t a, uint32_t b) { return compareNames(nameOf(a), nameOf(b)) == 0; }),
                       index.byName.end());
    for (uint32_t s : index.byName) index.sections[s].firstOfName = true;
    index.sections[0].firstOfName = true;

    // Only the first section of a name is ever read.
    for (Index::Section& section : index.sections) {
        section.keysBegin = static_cast<uint32_t>(index.keys.size());
        if (section.firstOfName) {
            for (size_t i = section.span.begin; i < section.span.end; ++i)
                if (doc.lines[i].kind == Kind::Entry) index.keys.push_back(static_cast<uint32_t>(i));
            const auto first = index.keys.begin() + section.keysBegin;
            const auto keyOf = [&](uint32_t l) { return doc.name(doc.lines[l]); };
            std::stable_sort(first, index.keys.end(),
                             [&](uint32_t a, uint32_t b) { return compareNames(keyOf(a), keyOf(b)) < 0; });
            index.keys.erase(std::unique(first, index.keys.end(),
                                         [&](uint32_t a, uint32_t b) { return compareNames(keyOf(a), keyOf(b)) == 0; }),
                             index.keys.end());
        }
        section.keysEnd = static_cast<uint32_t>(index.keys.size());
    }
    return index;
}

// A parsed file as reads use it.
struct Kept {
    Doc doc;
    Index index;

    const Index::Section* section(std::string_view name) const {
        // The lines before the first header answer to the empty name first.
        if (name.empty()) return &index.sections[0];
        const auto it = std::lower_bound(index.byName.begin(), index.byName.end(), name, [&](uint32_t s, std::string_view n) {
            return compareNames(sectionName(doc, index.sections[s].span), n) < 0;
        });
        if (it == index.byName.end() || compareNames(sectionName(doc, index.sections[*it].span), name) != 0)
            return nullptr;
        return &index.sections[*it];
    }
    const Line* entry(const Index::Section& s, std::string_view key) const {
        const auto first = index.keys.begin() + s.keysBegin, last = index.keys.begin() + s.keysEnd;
        const auto it = std::lower_bound(first, last, key, [&](uint32_t l, std::string_view k) {
            return compareNames(doc.name(doc.lines[l]), k) < 0;
        });
        if (it == last || compareNames(doc.name(doc.lines[*it]), key) != 0) return nullptr;
        return &doc.lines[*it];
    }
};

// ---- the files as read, kept while they stay as they are ----

// What tells a file apart from any later version of it.
struct Signature {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    int64_t mtime = 0, ctime = 0;  // nanoseconds
    bool operator==(const Signature&) const = default;
};

int64_t nanoseconds(const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; }

Signature signatureOf(const struct stat& st) {
    return Signature{st.st_dev, st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

int64_t wallClockNow() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return nanoseconds(t);
}

// A file changed less than this before it was read may change again within
// the same tick of the file system's clock (a few milliseconds) without its
// signature showing it; its content is compared at each read until the time
// has passed.
constexpr int64_t kClockMargin = 100'000'000;

struct CacheEntry {
    std::string path;
    Signature signature;
    int64_t readAt = 0;
    bool refused = false;  // over the size limit
    std::shared_ptr<const Kept> kept;
};

// A few files are in use at once (settings, levels, players); the cache
// keeps the most recently used and bounds the bytes it holds.
constexpr size_t kMaxCachedFiles = 8;
constexpr size_t kMaxCachedBytes = size_t{12} << 20;

std::mutex g_cacheMutex;
std::list<CacheEntry> g_cache;  // most recently used first

const std::shared_ptr<const Kept>& emptyKept() {
    static const std::shared_ptr<const Kept> empty = [] {
        auto k = std::make_shared<Kept>();
        k->index = buildIndex(k->doc);
        return std::shared_ptr<const Kept>(std::move(k));
    }();
    return empty;
}

enum class ReadResult { Ok, Missing, TooLarge, Failed };

// Reads at most kMaxProfileBytes; the signature is taken from the open file
// before reading, so a change during the read shows at the next look.
ReadResult readLimited(const std::string& path, std::string& out, Signature& signature) {
    out.clear();
    if (path.empty()) return ReadResult::Missing;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    ReadResult result = ReadResult::Ok;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        result = ReadResult::Failed;
    } else if (st.st_size > static_cast<off_t>(kMaxProfileBytes)) {
        result = ReadResult::TooLarge;
    } else {
        signature = signatureOf(st);
        out.reserve(static_cast<size_t>(st.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR) continue;
                result = ReadResult::Failed;
                break;
            }
            if (n == 0) break;
            out.append(buffer, static_cast<size_t>(n));
            if (out.size() > kMaxProfileBytes) {  // grew while being read
                result = ReadResult::TooLarge;
                break;
            }
        }
    }
    ::close(fd);
    if (result != ReadResult::Ok) out.clear();
    return result;
}

void reportTooLarge(const std::string& path) {
    debugCheck(false, "Settings file %s refused: larger than %zu bytes; its values are not used", path.c_str(),
               kMaxProfileBytes);
}

void evict() {
    size_t bytes = 0, count = 0;
    for (auto it = g_cache.begin(); it != g_cache.end();) {
        bytes += it->kept->doc.buffer.size();
        if (++count > kMaxCachedFiles || (count > 1 && bytes > kMaxCachedBytes))
            it = g_cache.erase(it);
        else
            ++it;
    }
}

void storeInCache(const std::string& path, const Signature& signature, int64_t readAt, bool refused,
                  std::shared_ptr<const Kept> kept) {
    g_cache.remove_if([&](const CacheEntry& e) { return e.path == path; });
    g_cache.push_front(CacheEntry{path, signature, readAt, refused, std::move(kept)});
    evict();
}

void forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    g_cache.remove_if([&](const CacheEntry& e) { return e.path == path; });
}

// The file as reads see it: parsed once, then kept while its signature
// stays. A missing, unreadable or refused file reads as an empty one.
std::shared_ptr<const Kept> keptFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        g_cache.remove_if([&](const CacheEntry& e) { return e.path == path; });
        return emptyKept();
    }
    const Signature now = signatureOf(st);
    auto it = std::find_if(g_cache.begin(), g_cache.end(), [&](const CacheEntry& e) { return e.path == path; });
    if (it != g_cache.end() && it->signature == now) {
        g_cache.splice(g_cache.begin(), g_cache, it);
        CacheEntry& entry = g_cache.front();
        if (entry.refused || std::max(now.mtime, now.ctime) + kClockMargin < entry.readAt) return entry.kept;
        // Changed too recently to trust the signature alone: compare the bytes.
        std::string content;
        Signature signature;
        const int64_t readAt = wallClockNow();
        if (readLimited(path, content, signature) == ReadResult::Ok && content == entry.kept->doc.buffer &&
            signature == now) {
            entry.readAt = readAt;
            return entry.kept;
        }
    }
    std::string content;
    Signature signature;
    const int64_t readAt = wallClockNow();
    switch (readLimited(path, content, signature)) {
    case ReadResult::Ok: break;
    case ReadResult::TooLarge:
        reportTooLarge(path);
        storeInCache(path, now, readAt, true, emptyKept());
        return emptyKept();
    default:
        g_cache.remove_if([&](const CacheEntry& e) { return e.path == path; });
        return emptyKept();
    }
    auto kept = std::make_shared<Kept>();
    kept->doc = parse(std::move(content));
    kept->index = buildIndex(kept->doc);
    std::shared_ptr<const Kept> result = std::move(kept);
    storeInCache(path, signature, readAt, false, result);
    return result;
}

// Loads the file for a change. A missing file is an empty one; a file that
// exists but cannot be read (or is refused for its size) is never overwritten.
bool loadForWrite(const std::string& path, Doc& doc) {
    if (path.empty()) return false;
    std::string content;
    Signature signature;
    switch (readLimited(path, content, signature)) {
    case ReadResult::Ok: doc = parse(std::move(content)); return true;
    case ReadResult::Missing: doc = Doc{}; return true;
    case ReadResult::TooLarge: reportTooLarge(path); return false;
    default: return false;
    }
}

// Writes the document and keeps what was written for the reads that follow.
bool save(const std::string& path, const Doc& doc) {
    std::string content = serialize(doc);
    // A file the reads would refuse is not written in the first place.
    if (content.size() > kMaxProfileBytes) {
        debugCheck(false, "Settings file %s not written: it would grow past %zu bytes", path.c_str(),
                   kMaxProfileBytes);
        forget(path);
        return false;
    }
    const int64_t readAt = wallClockNow();
    if (!platform::writeFileAtomic(path, content)) {
        forget(path);
        return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        forget(path);
        return true;
    }
    auto kept = std::make_shared<Kept>();
    kept->doc = parse(std::move(content));
    kept->index = buildIndex(kept->doc);
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    // Stamped with the time before the write: the file is as new as can be,
    // so the next reads compare its bytes until the clock margin has passed.
    storeInCache(path, signatureOf(st), readAt, false, std::move(kept));
    return true;
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
    const std::shared_ptr<const Kept> kept = keptFile(platform::normalizeSeparators(file));
    const Doc& doc = kept->doc;
    if (!section) {
        std::string list;
        // Each name once, spelt as its first section has it.
        for (size_t i = 1; i < kept->index.sections.size(); ++i) {
            const Index::Section& s = kept->index.sections[i];
            if (!s.firstOfName) continue;
            list += doc.name(doc.lines[*s.span.header]);
            list.push_back('\0');
            if (maxLen >= 0 && list.size() > static_cast<size_t>(maxLen)) break;  // cut below anyway
        }
        return finishList(std::move(list), maxLen);
    }
    const Index::Section* s = kept->section(trimView(section));
    if (!key) {
        std::string list;
        if (s)
            for (size_t i = s->span.begin; i < s->span.end; ++i) {
                const Line& line = doc.lines[i];
                if (line.kind != Kind::Entry || !line.hasValue) continue;
                list += doc.name(line);
                list.push_back('\0');
                if (maxLen >= 0 && list.size() > static_cast<size_t>(maxLen)) break;
            }
        return finishList(std::move(list), maxLen);
    }
    if (s)
        if (const Line* entry = kept->entry(*s, trimView(key)); entry && entry->hasValue)
            return cut(stripQuotes(doc.value(*entry)), maxLen);
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
            if (doc.lines[i].kind == Kind::Entry && sameName(doc.name(doc.lines[i]), keyName))
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
        if (line.kind != Kind::Entry || !sameName(doc.name(line), keyName)) continue;
        if (line.hasValue && doc.value(line) == trimView(newValue)) return true;  // reads the same already
        // Keep the line's own spelling of the key and its spacing around "=".
        const std::string text = line.hasValue
                                     ? std::string(doc.text(line).substr(0, doc.valueStart(line))) + newValue
                                     : trimRight(doc.text(line)) + "=" + newValue;
        line = appendLine(doc, text, line.eol);
        return save(path, doc);
    }
    insertLines(doc, appendPosition(doc, *span), {keyName + "=" + newValue});
    return save(path, doc);
}

int profileGetSection(const std::string& file, const char* section, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::string list;
    if (section) {
        const std::shared_ptr<const Kept> kept = keptFile(platform::normalizeSeparators(file));
        const Doc& doc = kept->doc;
        if (const Index::Section* s = kept->section(trimView(section)))
            for (size_t i = s->span.begin; i < s->span.end; ++i) {
                const Line& line = doc.lines[i];
                if (line.kind != Kind::Entry) continue;
                list += doc.name(line);
                if (line.hasValue) {
                    list += '=';
                    list += doc.value(line);
                }
                list.push_back('\0');
                if (list.size() > static_cast<size_t>(size)) break;  // cut below anyway
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

// Reads and parses a whole file; false when it cannot be read (one too large
// to take says so).
static bool readWholeDoc(const std::string& path, Doc& doc) {
    std::string content;
    Signature signature;
    const ReadResult r = readLimited(path, content, signature);
    if (r == ReadResult::TooLarge) reportTooLarge(path);
    if (r != ReadResult::Ok) return false;
    doc = parse(std::move(content));
    return true;
}

// Adds to doc every section and key of shipped that reads of doc would not
// find (see profileAddMissing); returns how many keys were added.
static int addMissing(Doc& doc, const Doc& shipped) {
    // The comment lines right above line `at` of the shipped file.
    auto commentsAbove = [&](size_t at, size_t floor) {
        size_t first = at;
        while (first > floor && shipped.lines[first - 1].kind == Kind::Comment) --first;
        std::vector<std::string> texts;
        for (size_t i = first; i < at; ++i) texts.emplace_back(shipped.text(shipped.lines[i]));
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
        const std::string name(shipped.name(shipped.lines[h]));
        if (name.empty()) continue;

        const std::optional<Span> mine = firstSection(doc, name);
        if (!mine) {
            std::vector<std::string> body;
            for (size_t i = span.begin; i < lastEntry; ++i) {
                body.emplace_back(shipped.text(shipped.lines[i]));
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
            const std::string lineName(shipped.name(line));
            if (line.kind != Kind::Entry || !line.hasValue || findEntry(doc, *mine, lineName)) continue;
            if (std::any_of(names.begin(), names.end(), [&](const std::string& n) { return sameName(n, lineName); }))
                continue;
            names.push_back(lineName);
            for (std::string& c : commentsAbove(i, span.begin)) missing.push_back(std::move(c));
            missing.emplace_back(shipped.text(line));
            ++added;
        }
        insertLines(doc, appendPosition(doc, *mine), missing);
    }
    return added;
}

int profileAddMissing(const std::string& file, const std::string& from) {
    Doc shipped;
    if (!readWholeDoc(platform::normalizeSeparators(from), shipped)) return -1;
    const std::string path = platform::normalizeSeparators(file);
    // A copy that cannot be read is never written over.
    Doc doc;
    if (!readWholeDoc(path, doc)) return -1;
    const int added = addMissing(doc, shipped);
    if (added == 0) return 0;
    return save(path, doc) ? added : -1;
}

// A document with its look-up index, for files that are only read here.
static bool readKept(const std::string& path, Kept& kept) {
    if (!readWholeDoc(path, kept.doc)) return false;
    kept.index = buildIndex(kept.doc);
    return true;
}

// The value reads of the file would see for section/key, if any.
static std::optional<std::string_view> keptValue(const Kept& kept, std::string_view section, std::string_view key) {
    const Index::Section* s = kept.section(section);
    if (!s) return std::nullopt;
    const Line* line = kept.entry(*s, key);
    if (!line || !line->hasValue) return std::nullopt;
    return kept.doc.value(*line);
}

int profileMergeShipped(const std::string& file, const std::string& from, const std::string& basePath) {
    Kept shipped;
    if (!readKept(platform::normalizeSeparators(from), shipped)) return -1;
    Kept base;
    if (!basePath.empty() && !readKept(platform::normalizeSeparators(basePath), base)) return -1;
    if (basePath.empty()) base.index = buildIndex(base.doc);
    const std::string path = platform::normalizeSeparators(file);
    Doc doc;
    if (!readWholeDoc(path, doc)) return -1;

    int changed = 0;
    std::vector<size_t> dropped;
    for (const Span& span : allSections(doc)) {
        if (!span.header) continue;  // lines before the first section are nobody's keys
        const std::string section(sectionName(doc, span));  // the buffer grows below
        // Only the first section of a name and the first of each key in it
        // are read; later copies are the player's business.
        if (firstSection(doc, section)->begin != span.begin) continue;
        for (size_t i = span.begin; i < span.end; ++i) {
            Line& line = doc.lines[i];
            if (line.kind != Kind::Entry || !line.hasValue || findEntry(doc, span, doc.name(line)) != &line) continue;
            const std::optional<std::string_view> was = keptValue(base, section, doc.name(line));
            // A value the player set, or a key the player added, stays.
            if (!was || *was != doc.value(line)) continue;
            const std::optional<std::string_view> now = keptValue(shipped, section, doc.name(line));
            if (!now) {
                dropped.push_back(i);
            } else if (*now != *was) {
                line = appendLine(doc, std::string(doc.text(line).substr(0, doc.valueStart(line))) + std::string(*now),
                                  line.eol);
                ++changed;
            }
        }
    }
    // Keys the shipped file no longer has go, and with them a section that
    // held nothing else, once the shipped file has dropped it too.
    for (auto it = dropped.rbegin(); it != dropped.rend(); ++it)
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(*it));
    changed += static_cast<int>(dropped.size());
    if (!dropped.empty()) {
        const std::vector<Span> spans = allSections(doc);
        for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
            if (!it->header || shipped.section(sectionName(doc, *it)) || !base.section(sectionName(doc, *it)))
                continue;
            const bool empty = std::none_of(doc.lines.begin() + static_cast<std::ptrdiff_t>(it->begin),
                                            doc.lines.begin() + static_cast<std::ptrdiff_t>(it->end),
                                            [](const Line& l) { return l.kind == Kind::Entry; });
            if (empty)
                doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(*it->header),
                                doc.lines.begin() + static_cast<std::ptrdiff_t>(it->end));
        }
    }
    changed += addMissing(doc, shipped.doc);
    if (changed == 0) return 0;
    return save(path, doc) ? changed : -1;
}

int profileAgreement(const std::string& file, const std::string& other) {
    Kept mine;
    Kept theirs;
    if (!readKept(platform::normalizeSeparators(file), mine) ||
        !readKept(platform::normalizeSeparators(other), theirs))
        return -1;
    int same = 0;
    for (size_t s = 1; s < theirs.index.sections.size(); ++s) {
        const Index::Section& section = theirs.index.sections[s];
        if (!section.firstOfName) continue;
        const std::string_view name = sectionName(theirs.doc, section.span);
        for (uint32_t k = section.keysBegin; k < section.keysEnd; ++k) {
            const Line& line = theirs.doc.lines[theirs.index.keys[k]];
            if (!line.hasValue) continue;
            const std::optional<std::string_view> value = keptValue(mine, name, theirs.doc.name(line));
            if (value && *value == theirs.doc.value(line)) ++same;
        }
    }
    return same;
}

bool profileReadable(const std::string& file, std::string* why) {
    std::string content;
    Signature signature;
    switch (readLimited(platform::normalizeSeparators(file), content, signature)) {
    case ReadResult::Ok: return true;
    case ReadResult::Missing:
        if (why) *why = std::strerror(ENOENT);
        return false;
    case ReadResult::TooLarge:
        if (why) *why = "it is larger than the " + std::to_string(kMaxProfileBytes >> 20) + " MB a settings file may be";
        return false;
    default:
        if (why) *why = errno != 0 ? std::strerror(errno) : "it cannot be read";
        return false;
    }
}

void profileForgetCachedFiles() {
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    g_cache.clear();
}
