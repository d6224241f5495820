#include "cli/texts.h"

#include "common/string_table.h"

std::string joined(const std::vector<std::string>& texts, const char* separator) {
    std::string text;
    for (const std::string& t : texts) {
        text += (text.empty() ? "" : separator) + t;
    }
    return text;
}

std::string escapedText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string messageText(int id) {
    const std::string text = programText(id);
    return text.substr(0, text.find('\n'));
}
