#include "app/ui/FileNameText.h"

#include "engine/Utf8.h"

namespace zarta::ui {

namespace {

constexpr char16_t escapedBase = 0xDC00; // a stray byte b (0x80 to 0xFF) is U+DC00 + b

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

QString FileNameText::fromBytes(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8::sequenceAt(bytes, at);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(escapedBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        } else {
            text += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
            at += length;
        }
    }
    return text;
}

std::string FileNameText::toBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendUtf8(bytes, QChar::surrogateToUcs4(unit, text[++i].unicode()));
        } else if (unit >= escapedBase + 0x80 && unit <= escapedBase + 0xFF) {
            bytes += static_cast<char>(unit - escapedBase);
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(bytes, 0xFFFD); // a lone surrogate of another kind: no byte to give back
        } else {
            appendUtf8(bytes, unit);
        }
    }
    return bytes;
}

QStringList FileNameText::localPaths(const QByteArray& uriList) {
    QStringList paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#') ||
            !line.toLower().startsWith(QByteArrayLiteral("file:"))) {
            continue;
        }
        // file:/path, file:///path or file://host/path: the path starts at the first "/" after
        // the authority.
        QByteArray rest = line.mid(5);
        if (rest.startsWith("//")) {
            const qsizetype slash = rest.indexOf('/', 2);
            if (slash < 0) {
                continue;
            }
            rest = rest.mid(slash);
        }
        const QByteArray path = QByteArray::fromPercentEncoding(rest);
        paths << fromBytes(
            std::string_view(path.constData(), static_cast<std::size_t>(path.size())));
    }
    return paths;
}

} // namespace zarta::ui
