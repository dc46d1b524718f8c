#include "frame/text_encoding.h"

#include "platform/keymap.h"

std::string fontText(std::string_view utf8) { return platform::utf8ToCp1252(utf8); }

std::string fileText(std::string_view cp1252) { return platform::cp1252ToUtf8(cp1252); }

bool isUtf8(std::string_view bytes) { return platform::isValidUtf8(bytes); }

std::string fontTextOfFile(std::string_view bytes) {
    return isUtf8(bytes) ? fontText(bytes) : std::string(bytes);
}

bool isFontAlnum(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    switch (c) {
        case 0x83:  // f with hook
        case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:  // S/OE/Z caron, Y diaeresis
        case 0xAA: case 0xB5: case 0xBA:  // ordinal a, micro, ordinal o
            return true;
        default: break;
    }
    // Latin-1 letters, without the multiplication and division signs.
    return c >= 0xC0 && c != 0xD7 && c != 0xF7;
}
