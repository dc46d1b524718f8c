#include "frame/text_encoding.h"

#include "platform/code_pages.h"
#include "platform/keymap.h"

std::string fontText(std::string_view utf8) { return platform::utf8ToCodePage(utf8, platform::textCodePage()); }

std::string fileText(std::string_view bytes) { return platform::codePageToUtf8(bytes, platform::textCodePage()); }

bool isUtf8(std::string_view bytes) { return platform::isValidUtf8(bytes); }

std::string fontTextOfFile(std::string_view bytes) {
    return isUtf8(bytes) ? fontText(bytes) : std::string(bytes);
}

bool isFontAlnum(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    const uint32_t cp = platform::codePageChar(platform::textCodePage(), c);
    // Latin letters with their accents (Latin-1 without the multiplication
    // and division signs, Latin Extended-A and B), f with hook, the ordinals
    // and micro, and Cyrillic.
    if (cp >= 0xC0 && cp <= 0x24F) return cp != 0xD7 && cp != 0xF7;
    return cp == 0xAA || cp == 0xB5 || cp == 0xBA || (cp >= 0x400 && cp <= 0x4FF);
}
