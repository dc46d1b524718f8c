// The gettext PO files the translations are kept in, read and written as
// far as the game's build needs: entries with an optional context, a
// message and its translation; fuzzy entries count as untranslated.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lg {

struct PoEntry {
    std::string context;  // msgctxt; empty when none
    std::string id;       // msgid (the English)
    std::string text;     // msgstr; empty when untranslated
    bool fuzzy = false;
};

// Reads a PO file; throws std::runtime_error with the file and line on a
// syntax error.
std::vector<PoEntry> readPo(const std::string& path);

// (context, English) -> translation, of the entries translated and not fuzzy.
using Catalogue = std::map<std::pair<std::string, std::string>, std::string>;
Catalogue translated(const std::vector<PoEntry>& entries);

// A PO string literal for text (quotes, backslashes, line feeds and tabs
// escaped).
std::string poQuote(const std::string& text);

}  // namespace lg
