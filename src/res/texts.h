// Localized texts: sentences the game shows in its own words, looked up by
// key in a plain text file ("KEY   text" per line).
//
// Encoding: the file is UTF-8 in the repository (a byte-order mark is
// allowed) and every text is converted on load to the code page of the
// language being played, the page its bitmap font is drawn in, so getText()
// hands out one byte per glyph ("é" is 0xE9 in Windows-1252). Characters the
// page lacks are dropped (the build refuses translations that have any). A line that is not valid
// UTF-8 is taken as Windows-1252 already, as older files were written. Keys
// are plain ASCII. The tip lines of the settings file follow the same rule,
// converted when a tip box reads them.
#pragma once

#include <map>
#include <string>

struct Language;

// Reads the file; a missing file leaves the table empty. Always true.
bool loadTexts(const std::string& fileName);
// The same on a file's content already read (adds to the table).
void loadTextsFromMemory(const std::string& content);
// The text under key, or "" (also before loading).
std::string getText(const std::string& key);
void clearTexts();

// A data file of the language being played: "lang/<code>/<fileName>", or
// fileName itself in English.
std::string languageDataPath(const std::string& fileName);
// The English file, then the language's own over it, converted to the
// language's code page: a key the translation lacks keeps its English text.
void loadLanguageTexts(const std::string& fileName);

// The texts as their files hold them (UTF-8), for what is said before the
// settings are read, in a box of the system's: the English file, then the
// language's over it. A file that is missing, unreadable or not UTF-8
// leaves what was there; the result may be empty.
std::map<std::string, std::string> readUtf8Texts(const std::string& fileName, const Language& language);
