// Localized texts: sentences the game shows in its own words, looked up by
// key in a plain text file ("KEY   text" per line).
#pragma once

#include <string>

// Reads the file; a missing file leaves the table empty. Always true.
bool loadTexts(const std::string& fileName);
// The text under key, or "" (also before loading).
std::string getText(const std::string& key);
void clearTexts();
