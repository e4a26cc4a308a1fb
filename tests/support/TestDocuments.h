#pragma once

#include "engine/BatchControl.h"
#include "platform/office/OfficeKeeper.h"

#include <memory>
#include <string>
#include <vector>

namespace zarta::test {

// Makes Word documents for the tests and benchmarks with a real office of its own: the content
// is written as flat ODF text (paragraphs, a table, pictures; page styles where given) and the
// office stores it in a Word format, optionally protected by a password the way Word protects it
// (.doc: the Word 97 format's own encryption; .docx: an encrypted package).
class TestDocuments {
public:
    enum class Format { Doc, Dot, Docx };

    // Starts an office with a profile under profileRoot.
    explicit TestDocuments(const std::string& profileRoot);
    ~TestDocuments();

    // Styles of a flat ODF document: automatic ones (page layouts, paragraph styles that switch
    // to a page style) and master pages (page styles), each as the content of its element.
    // With them, the document's own properties: the content of its office:meta element
    // (dc:title, dc:subject, meta:keyword, meta:initial-creator).
    struct Styles {
        std::string automatic;
        std::string masterPages;
        std::string meta;
    };

    // Throws std::runtime_error when the office fails, or did not encrypt a protected file.
    void make(const std::string& path, Format format, const std::string& body,
              const std::string& password = "");
    void make(const std::string& path, Format format, const std::string& body,
              const Styles& styles);

    OfficeKeeper& keeper() { return *keeper_; }

    // Pieces of a document body.
    static std::string paragraph(const std::string& text);
    static std::string table(const std::vector<std::vector<std::string>>& rows);
    // An embedded picture (a small colour bitmap).
    static std::string picture();
    // An embedded picture with an alpha channel: mostly semi-transparent, an opaque centre.
    static std::string translucentPicture();
    // A picture the document only links to.
    static std::string linkedPicture(const std::string& url);

    static std::string xmlEscape(const std::string& text);

    // A multi-page report for benchmarks: a heading, then paragraphs of accented French text
    // with a table and a picture every forty paragraphs (120 paragraphs make about 8 pages).
    static std::string report(int number, int paragraphs);

private:
    void store(const std::string& path, Format format, const std::string& flatText,
               const std::string& password);

    std::string folder_;
    BatchControl control_;
    std::shared_ptr<OfficeKeeper> keeper_;
    OfficeKeeper::Lease lease_;
    int counter_ = 0;
};

} // namespace zarta::test
