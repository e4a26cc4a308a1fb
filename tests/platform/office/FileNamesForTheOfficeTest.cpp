// How documents' paths reach the office: as URLs, and through a link where the office cannot
// take the name itself.
#include "platform/office/DocumentAlias.h"
#include "platform/office/FileUrl.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace zarta;
namespace fs = std::filesystem;

TEST(FileUrl, KeepsEveryByteOfThePath) {
    struct Case {
        const char* what;
        std::string path;
        std::string url;
    };
    const Case cases[] = {
        {"UTF-8 and reserved characters", "/home/ann/My Data/café#1",
         "file:///home/ann/My%20Data/caf%C3%A9%231"},
        {"Latin-1 byte", "/tmp/caf\xE9.docx", "file:///tmp/caf%E9.docx"},
        {"control characters", "/tmp/a\nb\x1b.doc", "file:///tmp/a%0Ab%1B.doc"},
        {"percent sign", "/tmp/100%.doc", "file:///tmp/100%25.doc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileUrl::fromPath(c.path), c.url) << c.what;
    }
}

TEST(DocumentAlias, NamesTheOfficeCannotTakeAreOpenedThroughALinkOfOurs) {
    TempDir dir;
    const std::string office = dir.file("office-tmp");
    fs::create_directory(office);
    struct Case {
        const char* what;
        std::string name;
        std::optional<std::string> linkName; // absent: opened by its own path
    };
    const Case cases[] = {
        {"UTF-8", "Bericht für Zürich.docx", std::nullopt},
        {"control characters are UTF-8 too", "a\nb.doc", std::nullopt},
        {"Latin-1", "caf\xE9.docx", "caf\xEF\xBF\xBD.docx"},
        {"too long once replaced", std::string(100, '\xE9') + ".doc", "document.doc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string document = dir.file(c.name);
        TempDir::write(document, "content");
        {
            const DocumentAlias alias(document, office);
            if (!c.linkName) {
                EXPECT_EQ(alias.path(), document);
                EXPECT_TRUE(fs::is_empty(office));
                continue;
            }
            const fs::path link(alias.path());
            EXPECT_EQ(link.filename().string(), *c.linkName);
            EXPECT_EQ(link.parent_path().parent_path(), fs::path(office));
            EXPECT_EQ(TempDir::read(alias.path()), "content");
        }
        EXPECT_TRUE(fs::is_empty(office)) << "the link and its folder are removed";
        EXPECT_EQ(TempDir::read(document), "content");
    }
}
