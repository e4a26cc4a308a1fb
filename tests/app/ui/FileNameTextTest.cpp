#include "app/ui/FileNameText.h"

#include "tests/support/QtPrinters.h"

#include <QFile>

#include <gtest/gtest.h>

#include <vector>

using zarta::ui::FileNameText;

TEST(FileNameText, KeepsTheExactBytesOfAnyName) {
    struct Case {
        const char* what;
        std::string bytes;
        QString text;
    };
    const Case cases[] = {
        {"ASCII", "/home/ann/Report.docx", QStringLiteral("/home/ann/Report.docx")},
        {"UTF-8 in every length", "/Bericht über 報告 \xF0\x9F\x93\x84.doc",
         QStringLiteral("/Bericht über 報告 📄.doc")},
        {"Latin-1", "/caf\xE9.docx",
         QStringLiteral("/caf") + QChar(char16_t(0xDCE9)) + QStringLiteral(".docx")},
        {"cut-off UTF-8", "/a\xE2\x82",
         QStringLiteral("/a") + QChar(char16_t(0xDCE2)) + QChar(char16_t(0xDC82))},
        {"control characters", "/a\nb\x1b.doc", QStringLiteral("/a\nb\x1b.doc")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileNameText::fromBytes(c.bytes), c.text) << c.what;
        EXPECT_EQ(FileNameText::toBytes(c.text), c.bytes) << c.what;
        // Qt's own decoding gives the same text wherever it keeps the name.
        if (QFile::encodeName(QFile::decodeName(QByteArray::fromStdString(c.bytes)))
                .toStdString() == c.bytes) {
            EXPECT_EQ(FileNameText::fromBytes(c.bytes),
                      QFile::decodeName(QByteArray::fromStdString(c.bytes)))
                << c.what;
        }
    }
}

TEST(FileNameText, ReadsTheLocalPathsOfAUriListByteForByte) {
    const QByteArray uriList = "# from the file manager\r\n"
                               "file:///tmp/caf%C3%A9.docx\r\n"
                               "file:///tmp/caf%E9%20x.docx\r\n"
                               "https://example.com/a.docx\r\n"
                               "file://localhost/srv/a%0Ab.doc\r\n"
                               "file:/short.doc";
    std::vector<std::string> paths;
    for (const QString& path : FileNameText::localPaths(uriList)) {
        paths.push_back(FileNameText::toBytes(path));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/tmp/caf\xC3\xA9.docx", "/tmp/caf\xE9 x.docx",
                                               "/srv/a\nb.doc", "/short.doc"}));
}
