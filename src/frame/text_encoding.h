// The game draws text in the 8-bit code page of the language being played
// (Windows-1252, 1250 or 1251), the page its bitmap font is drawn in; files
// people read and edit (texts, names in the users file) hold UTF-8. These
// convert at the file's edge, so that every string inside the game is one
// byte per glyph.
#pragma once

#include <string>
#include <string_view>

// UTF-8 to the font's bytes; characters the font lacks and broken sequences
// are dropped.
std::string fontText(std::string_view utf8);
// The font's bytes to UTF-8.
std::string fileText(std::string_view bytes);
// True for well-formed UTF-8 (plain ASCII included).
bool isUtf8(std::string_view bytes);
// Text from a file that may be UTF-8 or, written by hand or by an older
// version, already in the font's bytes.
std::string fontTextOfFile(std::string_view bytes);
// Letters and digits of the font's code page, independent of the C locale.
bool isFontAlnum(unsigned char c);
