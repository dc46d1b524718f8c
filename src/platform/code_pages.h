// The 8-bit code pages the bitmap fonts are drawn in: Windows-1252 for the
// Western languages, 1250 for Central European, 1251 for Cyrillic. Every
// string inside the game is one byte per glyph in the page of the language
// being played; files and the system speak UTF-8 and are converted at the
// edge. No SDL here, so the build tools share the tables.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

enum class CodePage { Western, Central, Cyrillic };

// The Unicode code point of a byte (0 for the page's unassigned bytes).
uint32_t codePageChar(CodePage page, unsigned char byte);
// The byte of a code point in the page, or -1 when the page lacks it.
int codePageByte(CodePage page, uint32_t codePoint);
// The UTF-8 character starting at i: its code point, and i moved past it.
// False for a broken sequence (only the bytes read so far are lost), an
// overlong form, a surrogate or a value beyond Unicode.
bool nextCodePoint(std::string_view utf8, size_t& i, uint32_t& cp);
// UTF-8 to the page's bytes. Characters the page lacks and broken sequences
// are left out; when lost is given they are appended to it (as UTF-8).
std::string utf8ToCodePage(std::string_view utf8, CodePage page, std::string* lost = nullptr);
std::string codePageToUtf8(std::string_view bytes, CodePage page);

// The page of the language being played: typed characters and the texts
// the game reads are converted to it.
void setTextCodePage(CodePage page);
CodePage textCodePage();

}  // namespace platform
