#include "engine/EscapedText.h"

#include "engine/Utf8.h"

namespace zarta::EscapedText {

namespace {

void appendOctal(std::string& out, unsigned char byte) {
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

// The short escape of a C0 control character, or 0 when it has none.
char shortEscape(unsigned char byte) {
    switch (byte) {
    case '\a':
        return 'a';
    case '\b':
        return 'b';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\v':
        return 'v';
    case '\f':
        return 'f';
    case '\r':
        return 'r';
    default:
        return 0;
    }
}

} // namespace

std::string forTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8::sequenceAt(text, at);
        if (length > 1) {
            // U+0080 to U+009F (C2 80 to C2 9F) are the C1 controls, CSI among them.
            const bool c1 = byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F;
            for (std::size_t i = 0; i < length; ++i) {
                if (c1) {
                    appendOctal(out, static_cast<unsigned char>(text[at + i]));
                } else {
                    out += text[at + i];
                }
            }
            at += length;
            continue;
        }
        if (byte == '\\') {
            out += "\\\\";
        } else if (length == 1 && byte >= 0x20 && byte != 0x7F) {
            out += static_cast<char>(byte);
        } else if (const char escape = shortEscape(byte); escape != 0) {
            out += '\\';
            out += escape;
        } else {
            appendOctal(out, byte);
        }
        ++at;
    }
    return out;
}

} // namespace zarta::EscapedText
