// langgen: the game's texts between its own files and the translators' PO
// files.
//
//   vm-langgen template <texts.loc> <tips.ini> <campaign dir> <out.pot>
//     the localized texts (context: the key), the tips (context "Tip<n>
//     title" for the first line, "Tip<n>" for the rest as one paragraph) and
//     the levels' titles (context "Level <e>-<l>") as a PO template; the words of the pictures and the desktop files come
//     from xgettext and are merged with it by the build's `pot` target.
//   vm-langgen build <language> <lang.po> <texts.loc> <tips.ini> <campaign dir> <font widths> <out dir> <words out>
//     <out dir>/vm_texts.loc (with the level titles as LEVELNAME_<e>-<l>)
//     and <out dir>/tips.ini in the language, and
//     the words of its pictures for picgen ("English<TAB>translation").
//     A text the PO file lacks stays English and is reported; a character
//     the language's code page lacks stops the build.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/language.h"
#include "po.h"

namespace {

using lg::Catalogue;
using platform::CodePage;

struct LocEntry {
    std::string key, text;
};

std::vector<LocEntry> readLoc(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<LocEntry> out;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t space = line.find(' ');
        if (space == std::string::npos || space == 0) continue;
        const size_t start = line.find_first_not_of(' ', space);
        out.push_back({line.substr(0, space), start == std::string::npos ? "" : line.substr(start)});
    }
    return out;
}

struct Tip {
    std::string section;                                    // "Tip12"
    std::vector<std::pair<std::string, std::string>> keys;  // in file order
    std::string get(const std::string& key) const {
        for (const auto& [k, v] : keys)
            if (k == key) return v;
        return {};
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (int i = 0; i < 10; ++i) {
            const std::string l = get("tl" + std::to_string(i));
            if (l.empty()) break;
            out.push_back(l);
        }
        return out;
    }
    std::string body() const {
        const std::vector<std::string> l = lines();
        std::string out;
        for (size_t i = 1; i < l.size(); ++i) out += (i > 1 ? " " : "") + l[i];
        return out;
    }
};

std::vector<Tip> readTips(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<Tip> out;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            out.push_back({line.substr(1, line.find(']') - 1), {}});
        } else if (const size_t eq = line.find('='); eq != std::string::npos && !out.empty()) {
            out.back().keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return out;
}

// "<e>-<l>" and the title of every level of the campaign sources, in order.
std::vector<std::pair<std::string, std::string>> readLevelTitles(const std::string& dir) {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".txt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& file : files) {
        std::ifstream in(file);
        std::string episode;
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string keyword, number;
            words >> keyword >> number;
            if (keyword == "episode") episode = number;
            const size_t open = line.find('"'), close = line.find('"', open + 1);
            if (keyword == "level" && close != std::string::npos)
                out.emplace_back(episode + "-" + number, line.substr(open + 1, close - open - 1));
        }
    }
    if (out.empty()) throw std::runtime_error("no levels in " + dir);
    return out;
}

std::vector<int> readWidths(const std::string& path) {
    std::ifstream in(path);
    std::vector<int> w;
    for (int v; in >> v;) w.push_back(v);
    if (w.size() != 256) throw std::runtime_error(path + ": 256 glyph widths expected");
    return w;
}

// ---- the template

int writeTemplate(const std::string& locPath, const std::string& tipsPath, const std::string& campaignDir,
                  const std::string& outPath) {
    std::ostringstream po;
    po << "# The translators' template of The Vellmoor of Quorrin, made by `ninja pot`.\n"
          "#, fuzzy\n"
          "msgid \"\"\nmsgstr \"\"\n"
          "\"Project-Id-Version: vellmoor\\n\"\n"
          "\"Report-Msgid-Bugs-To: https://github.com/brandwick/vellmoor/issues\\n\"\n"
          "\"PO-Revision-Date: YEAR-MO-DA HO:MI+ZONE\\n\"\n"
          "\"Last-Translator: FULL NAME <EMAIL@ADDRESS>\\n\"\n"
          "\"Language-Team: LANGUAGE <LL@li.org>\\n\"\n"
          "\"Language: \\n\"\n"
          "\"MIME-Version: 1.0\\n\"\n"
          "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
          "\"Content-Transfer-Encoding: 8bit\\n\"\n\n";
    for (const LocEntry& e : readLoc(locPath)) {
        po << "#. A text the game shows; its key is the context.\n";
        po << "msgctxt " << lg::poQuote(e.key) << "\nmsgid " << lg::poQuote(e.text) << "\nmsgstr \"\"\n\n";
    }
    for (const Tip& t : readTips(tipsPath)) {
        const std::vector<std::string> lines = t.lines();
        if (lines.empty()) continue;
        po << "#. The heading of a tip box.\n";
        po << "msgctxt " << lg::poQuote(t.section + " title") << "\nmsgid " << lg::poQuote(lines[0])
           << "\nmsgstr \"\"\n\n";
        if (lines.size() < 2) continue;
        po << "#. A tip box's text; the game breaks it into lines and sizes the box.\n"
              "#. \\n breaks a line where you want.\n";
        po << "msgctxt " << lg::poQuote(t.section) << "\nmsgid " << lg::poQuote(t.body()) << "\nmsgstr \"\"\n\n";
    }
    for (const auto& [level, title] : readLevelTitles(campaignDir)) {
        po << "#. A level's title, shown over the field.\n";
        po << "msgctxt " << lg::poQuote("Level " + level) << "\nmsgid " << lg::poQuote(title) << "\nmsgstr \"\"\n\n";
    }
    std::ofstream out(outPath);
    out << po.str();
    if (!out) throw std::runtime_error("cannot write " + outPath);
    return 0;
}

// ---- one language

struct Build {
    const Language* language = nullptr;
    Catalogue catalogue;
    std::vector<int> widths;
    std::vector<std::string> missing;
    std::set<std::string> unfit;  // characters the code page lacks, with where
    // The tip line that fills its room the most, for the build's report.
    double tightest = 0;
    std::string tightestLine;

    // The translation of (context, English), or the English, noted.
    std::string text(const std::string& context, const std::string& english) {
        const auto it = catalogue.find({context, english});
        if (it != catalogue.end()) return it->second;
        if (!english.empty()) missing.push_back(context.empty() ? english : context);
        return english;
    }
    std::string bytes(const std::string& utf8, const std::string& where) {
        std::string lost;
        std::string b = platform::utf8ToCodePage(utf8, language->page, &lost);
        if (!lost.empty()) unfit.insert(where + ": \"" + lost + "\"");
        return b;
    }
    int width(const std::string& utf8, const std::string& where) {
        int w = 0;
        for (unsigned char c : bytes(utf8, where)) w += widths[c];
        return w;
    }
};

// The room a tip line has: from the text's start 55 px inside the frame to
// as far inside the frame's other edge.
int tipLineRoom(int columns) { return 4 * columns + 84 - 2 * 55; }
// Rows the frame needs for n lines over the buttons, as the English boxes
// are sized.
int tipRowsFor(int lines) { return (25 * lines + 47 + 3) / 4; }

std::vector<std::string> wrapLine(Build& b, const std::string& paragraph, int room, const std::string& where) {
    std::vector<std::string> lines;
    std::istringstream hard(paragraph);
    for (std::string part; std::getline(hard, part, '\n');) {
        std::string line;
        std::istringstream words(part);
        for (std::string word; words >> word;) {
            const std::string longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && b.width(longer, where) > room) {
                lines.push_back(line);
                line = word;
            } else {
                line = longer;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

std::string translatedTip(Build& b, const Tip& t, std::string& error) {
    const std::vector<std::string> english = t.lines();
    if (english.empty()) return {};
    const std::string title = b.text(t.section + " title", english[0]);
    const std::string body = english.size() > 1 ? b.text(t.section, t.body()) : "";
    const int w0 = std::atoi(t.get("w").c_str()), h0 = std::atoi(t.get("h").c_str());
    // A box the game may point at something is kept within 400 x 300 when
    // the words allow, so that it fits beside the point on every side; a
    // longer translation may take up to 480 x 340 (the game then keeps it
    // on the screen). The other boxes may take the whole screen.
    const bool pointing = w0 <= 79;
    // Wider before taller: a box that must outgrow 400 x 300 first grows to
    // the side, where a short tip box has the room.
    const int limits[3][2] = {{pointing ? 79 : 179, pointing ? 54 : 129},
                              {pointing ? 99 : 179, pointing ? 54 : 129},
                              {pointing ? 99 : 179, pointing ? 64 : 129}};
    int maxColumns = 0, maxRows = 0;
    for (const auto& limit : limits) {
        maxColumns = std::max(w0, limit[0]);
        maxRows = std::max(h0, limit[1]);
        for (int columns = w0; columns <= maxColumns; ++columns) {
            const int room = tipLineRoom(columns);
            if (b.width(title, t.section) > room) continue;
            std::vector<std::string> lines{title};
            if (!body.empty())
                for (std::string& l : wrapLine(b, body, room, t.section)) lines.push_back(l);
            bool fits = lines.size() <= 10;
            for (const std::string& l : lines) fits = fits && b.width(l, t.section) <= room;
            const int rows = std::max(h0, tipRowsFor(static_cast<int>(lines.size())));
            if (!fits || rows > maxRows) continue;
            for (const std::string& l : lines)
                if (const double share = double(b.width(l, t.section)) / room; share > b.tightest)
                    b.tightest = share, b.tightestLine = t.section + ": " + l;
            std::ostringstream out;
            out << "[" << t.section << "]\n";
            for (const auto& [k, v] : t.keys) {
                if (k.compare(0, 2, "tl") == 0) continue;
                out << k << "=" << (k == "w" ? std::to_string(columns) : k == "h" ? std::to_string(rows) : v) << "\n";
            }
            for (size_t i = 0; i < lines.size(); ++i) {
                const std::string colours =
                    t.get("tl" + std::to_string(std::min<size_t>(i, english.size() - 1)) + "colors");
                out << "tl" << i << "=" << lines[i] << "\n";
                if (!colours.empty()) out << "tl" << i << "colors=" << colours << "\n";
            }
            return out.str() + "\n";
        }
    }
    error = t.section + ": the text does not fit in a box of at most " + std::to_string(4 * maxColumns + 84) + " x " +
            std::to_string(4 * maxRows + 84) + " pixels";
    return {};
}

int buildLanguage(char** argv) {
    Build b;
    b.language = findLanguage(argv[2]);
    if (!b.language) throw std::runtime_error(std::string("unknown language ") + argv[2]);
    const std::vector<lg::PoEntry> entries = lg::readPo(argv[3]);
    b.catalogue = lg::translated(entries);
    b.widths = readWidths(argv[7]);
    const std::string outDir = argv[8];

    std::ostringstream loc;
    for (const LocEntry& e : readLoc(argv[4])) {
        const std::string t = b.text(e.key, e.text);
        b.bytes(t, e.key);
        loc << e.key << "   " << t << "\n";
    }
    for (const auto& [level, title] : readLevelTitles(argv[6])) {
        const std::string t = b.text("Level " + level, title);
        b.bytes(t, "Level " + level);
        loc << "LEVELNAME_" << level << "   " << t << "\n";
    }
    std::ostringstream tips;
    tips << "; The tips in this language, made by the build from po/" << argv[2] << ".po.\n\n";
    std::vector<std::string> errors;
    for (const Tip& t : readTips(argv[5])) {
        std::string error;
        tips << translatedTip(b, t, error);
        if (!error.empty()) errors.push_back(error);
    }
    // The pictures' words: every translated entry without a context (the
    // desktop file's and the metainfo's too, which picgen never asks for).
    std::ostringstream words;
    for (const lg::PoEntry& e : entries) {
        if (!e.context.empty() || e.id.empty()) continue;
        if (e.text.empty() || e.fuzzy) {
            b.missing.push_back(e.id);
            continue;
        }
        if (e.id.find_first_of("\t\n") == std::string::npos && e.text.find_first_of("\t\n") == std::string::npos)
            words << e.id << "\t" << e.text << "\n";
    }
    for (const std::string& u : b.unfit)
        errors.push_back("not in the code page of " + std::string(b.language->name) + ": " + u);
    if (!errors.empty()) {
        for (const std::string& e : errors) std::fprintf(stderr, "langgen %s: %s\n", argv[2], e.c_str());
        return 1;
    }
    auto write = [](const std::string& path, const std::string& content) {
        std::ofstream out(path, std::ios::binary);
        out << content;
        if (!out) throw std::runtime_error("cannot write " + path);
    };
    write(outDir + "/vm_texts.loc", loc.str());
    write(outDir + "/tips.ini", tips.str());
    write(argv[9], words.str());
    std::printf("langgen %s: fullest tip line %.0f %% of its room (%s)\n", argv[2], 100 * b.tightest,
                b.tightestLine.c_str());
    if (!b.missing.empty()) {
        std::printf("langgen %s: %zu texts not translated, shown in English:", argv[2], b.missing.size());
        for (size_t i = 0; i < b.missing.size() && i < 8; ++i) std::printf(" [%s]", b.missing[i].c_str());
        std::printf("%s\n", b.missing.size() > 8 ? " ..." : "");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        if (command == "template" && argc == 6) return writeTemplate(argv[2], argv[3], argv[4], argv[5]);
        if (command == "build" && argc == 10) return buildLanguage(argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "langgen: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: %s template <texts.loc> <tips.ini> <campaign dir> <out.pot>\n"
                 "       %s build <language> <lang.po> <texts.loc> <tips.ini> <campaign dir> <font widths> <out dir>"
                 " <words out>\n",
                 argv[0], argv[0]);
    return 2;
}
