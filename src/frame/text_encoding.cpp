#include "frame/text_encoding.h"

#include "platform/keymap.h"

std::string fontText(std::string_view utf8) { return platform::utf8ToCp1252(utf8); }

std::string fileText(std::string_view cp1252) { return platform::cp1252ToUtf8(cp1252); }

bool isUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        uint32_t cp = lead, minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1Fu, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0Fu, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07u, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= bytes.size()) return false;  // cut short
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + static_cast<size_t>(k)]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

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
