#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <string>
#include <string_view>

namespace zarta::ui {

// File names between the file system, which holds them as bytes in any encoding, and Qt's
// texts. Qt's own conversions (QFile::decodeName, QUrl::toLocalFile) turn every byte that is not
// part of valid UTF-8 into U+FFFD, and so name another file. Here valid UTF-8 is decoded as
// usual and each other byte becomes a lone surrogate U+DC80 to U+DCFF, which no real text
// holds, so toBytes(fromBytes(name)) gives back the exact bytes; on screen such a byte shows as
// a replacement mark. Plain functions; any thread.
class FileNameText {
public:
    static QString fromBytes(std::string_view bytes);
    static std::string toBytes(const QString& text);

    // The local paths of the file: URIs in a text/uri-list (as a file manager's drop carries
    // them: one URI a line, "#" starting a comment), their percent-encoded bytes decoded as
    // fromBytes does; other URIs are left out. Read from the list's own bytes because QUrl too
    // replaces a percent-encoded byte that is not UTF-8 by U+FFFD.
    static QStringList localPaths(const QByteArray& uriList);
};

} // namespace zarta::ui
