// zarta-convert's structure-keeping route with the real office, Ghostscript and qpdf: what a
// reader navigates (links, bookmarks), what an archive asks for (PDF/A), what assistive
// technology reads (tags), and the security applied without losing any of it.
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/PermissionCases.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sys/stat.h>

using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

// Three heading levels, two external links, an internal link to a bookmark at a later heading,
// and the document's own title, subject, keywords and author.
std::string navigableBody() {
    const auto heading = [](int level, const std::string& text) {
        return "<text:h text:style-name=\"Heading_20_" + std::to_string(level) +
               "\" text:outline-level=\"" + std::to_string(level) + "\">" + text + "</text:h>";
    };
    return heading(1, "Introduction") +
           "<text:p>Read <text:a xlink:type=\"simple\" xlink:href=\"https://example.org/one\">"
           "the first site</text:a> and <text:a xlink:type=\"simple\" "
           "xlink:href=\"https://example.com/two\">the second</text:a>; the numbers are under "
           "<text:a xlink:type=\"simple\" xlink:href=\"#Details\">Details</text:a>.</text:p>" +
           heading(2, "Background") + TestDocuments::paragraph("Why the report was written.") +
           heading(3, "Sources") + TestDocuments::paragraph("Where the numbers come from.") +
           "<text:p><text:soft-page-break/></text:p>" +
           heading(1, "<text:bookmark text:name=\"Details\"/>Details") +
           TestDocuments::paragraph("The numbers themselves.");
}

const std::string ownProperties = "<dc:title>Testing custom properties</dc:title>"
                                  "<dc:subject>Navigation</dc:subject>"
                                  "<meta:keyword>links</meta:keyword>"
                                  "<meta:initial-creator>A. M.</meta:initial-creator>";

class StructureRouteE2E : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        TestDocuments maker(officeProfiles("structure-documents"));
        TestDocuments::Styles styles;
        styles.meta = ownProperties;
        maker.make(dir_->file("navigable.docx"), TestDocuments::Format::Docx, navigableBody(),
                   styles);
        TempDir::write(dir_->file("owner-password"), "owner secret\n");
        ::chmod(dir_->file("owner-password").c_str(), 0600);
    }
    static void TearDownTestSuite() { delete dir_; }

    static std::string file(const std::string& name) { return dir_->file(name); }
    std::string out(const std::string& name) const { return out_.file(name); }

    ShellRun convert(const std::string& arguments) const {
        return runShell("XDG_DATA_HOME='" + std::string(ZARTA_TEST_DATA_HOME) + "' '" +
                        ZARTA_CONVERT + "' --out '" + out_.path().string() + "' --overwrite " +
                        arguments + " '" + file("navigable.docx") + "' </dev/null 2>&1");
    }

    // The PDF's objects, uncompressed and one per block, for searching.
    std::string objects(const std::string& pdf) const {
        const std::string qdf = out("qdf.pdf");
        runShell("qpdf --qdf --object-streams=disable '" + pdf + "' '" + qdf + "'");
        return TempDir::read(qdf);
    }

    static int count(const std::string& text, const std::string& pattern) {
        const std::regex expression(pattern);
        return int(std::distance(std::sregex_iterator(text.begin(), text.end(), expression),
                                 std::sregex_iterator()));
    }

    static std::string pdfinfo(const std::string& pdf, const std::string& field) {
        const std::string info = runShell("pdfinfo '" + pdf + "'").output;
        std::smatch match;
        const std::regex line("(^|\n)" + field + ": *([^\n]*)");
        return std::regex_search(info, match, line) ? match[2].str() : "";
    }

    static TempDir* dir_;
    TempDir out_;
};

TempDir* StructureRouteE2E::dir_ = nullptr;

TEST_F(StructureRouteE2E, LinksBookmarksAndTheDocumentsOwnPropertiesReachThePdf) {
    const ShellRun run = convert("--keep-structure");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string pdf = out("navigable.pdf");
    const std::string body = objects(pdf);
    EXPECT_EQ(count(body, "/Subtype /Link"), 3) << "two external links and one internal";
    EXPECT_EQ(count(body, "/URI \\(https://example\\.org/one\\)"), 1);
    EXPECT_EQ(count(body, "/URI \\(https://example\\.com/two\\)"), 1);
    EXPECT_EQ(count(body, "/S /URI"), 2) << "the third link leads into the PDF itself";

    const std::string outline = runShell("qpdf --json --json-key=outlines '" + pdf + "'").output;
    for (const char* title : {"Introduction", "Background", "Sources", "Details"}) {
        EXPECT_EQ(count(outline, std::string("\"title\": \"") + title + "\""), 1)
            << title << " in\n"
            << outline;
    }

    EXPECT_EQ(pdfinfo(pdf, "Title"), "Testing custom properties");
    EXPECT_EQ(pdfinfo(pdf, "Author"), "A. M.");
    EXPECT_EQ(pdfinfo(pdf, "Subject"), "Navigation");
    EXPECT_EQ(pdfinfo(pdf, "Keywords"), "links");
    EXPECT_EQ(pdfinfo(pdf, "Tagged"), "no");
    EXPECT_EQ(pdfText(pdf).find("The numbers themselves.") != std::string::npos, true);
}

TEST_F(StructureRouteE2E, FieldsGivenReplaceTheDocumentsOwnInTheInformationAndTheMetadata) {
    const ShellRun run = convert("--keep-structure --title 'Given Überblick' --author 'Zoë' "
                                 "--pdf-version A-2b");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string pdf = out("navigable.pdf");
    EXPECT_EQ(pdfinfo(pdf, "Title"), "Given Überblick");
    EXPECT_EQ(pdfinfo(pdf, "Author"), "Zoë");
    EXPECT_EQ(pdfinfo(pdf, "Subject"), "Navigation") << "a field left empty keeps the document's";
    const std::string metadata = runShell("pdfinfo -meta '" + pdf + "'").output;
    EXPECT_NE(metadata.find("Given Überblick"), std::string::npos) << metadata;
    EXPECT_EQ(metadata.find("Testing custom properties"), std::string::npos) << metadata;
}

// What the checks here cover of PDF/A: the identification in the metadata (part and level), an
// output intent, every font embedded, no encryption and a well-formed file. Debian ships no PDF/A
// validator, so colour spaces, transparency and the finer rules of each part are the office's own
// export's word and not checked here.
TEST_F(StructureRouteE2E, EachPdfAVersionIsIdentifiedEmbedsItsFontsAndIsNotEncrypted) {
    for (const auto& [word, part] :
         {std::pair{"A-1b", "1"}, std::pair{"A-2b", "2"}, std::pair{"A-3b", "3"}}) {
        SCOPED_TRACE(word);
        const ShellRun run = convert(std::string("--pdf-version ") + word);
        ASSERT_EQ(run.status, 0) << run.output;
        const std::string pdf = out("navigable.pdf");
        const std::string metadata = runShell("pdfinfo -meta '" + pdf + "'").output;
        EXPECT_EQ(count(metadata, std::string("pdfaid:part(>|=\")") + part), 1) << metadata;
        // The office marks its PDF/A-1 as level a (tagged), which meets level b too.
        EXPECT_EQ(count(metadata, std::string("pdfaid:conformance(>|=\")") +
                                      (std::string(part) == "1" ? "[AB]" : "B")),
                  1)
            << metadata;
        EXPECT_GE(count(objects(pdf), "/OutputIntents"), 1);
        const std::string fonts = runShell("pdffonts '" + pdf + "'").output;
        EXPECT_EQ(count(fonts, "\n[^\n]* no +(yes|no) +(yes|no) +[0-9]+ +[0-9]+"), 0)
            << "a font is not embedded:\n"
            << fonts;
        EXPECT_EQ(pdfinfo(pdf, "Encrypted"), "no");
        EXPECT_EQ(runShell("qpdf --check '" + pdf + "' >/dev/null 2>&1").status, 0);
    }
}

TEST_F(StructureRouteE2E, PdfAWithAPasswordIsRefusedBeforeAnyOfficeStarts) {
    const ShellRun run =
        convert("--pdf-version A-2b --owner-password-file '" + file("owner-password") + "'");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("PDF/A admits no encryption"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("PDF/A-2b"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Owner Password"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(out("navigable.pdf")));
}

TEST_F(StructureRouteE2E, ATaggedPdfHasAStructureTreeAndIsMarked) {
    const ShellRun run = convert("--tagged");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string body = objects(out("navigable.pdf"));
    EXPECT_EQ(count(body, "/Type /StructTreeRoot"), 1);
    EXPECT_EQ(count(body, "/MarkInfo\\s*<<\\s*/Marked true"), 1);
}

// Each level with a different set of allowed actions: the links survive the encryption, and
// qpdf reads back the level and exactly the actions allowed.
TEST_F(StructureRouteE2E, EveryEncryptionLevelKeepsTheLinksAndAllowsExactlyTheTickedActions) {
    struct Case {
        const char* word;
        const char* shown; // the level as qpdf shows it
        const char* allow;
        permission_cases::Case permissions;
    };
    using zarta::EncryptionLevel;
    const Case cases[] = {
        {"low", "R = 2", "", {"none", EncryptionLevel::Low, false, false, false, false}},
        {"high", "R = 3", "copy", {"copy", EncryptionLevel::High, true, false, false, false}},
        {"aes128",
         "AESv2",
         "forms,changes",
         {"forms and changes", EncryptionLevel::Aes128, false, true, true, false}},
        {"aes256",
         "AESv3",
         "copy,forms,changes,printing",
         {"all", EncryptionLevel::Aes256, true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const std::string allow = *c.allow ? std::string(" --allow ") + c.allow : "";
        const ShellRun run =
            convert(std::string("--keep-structure --encryption ") + c.word + allow +
                    " --owner-password-file '" + file("owner-password") + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        const std::string pdf = out("navigable.pdf");
        const std::string shown = runShell("qpdf --show-encryption '" + pdf + "'").output;
        EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
        EXPECT_EQ(permission_cases::allowedIn(shown), c.permissions.allowed()) << shown;
        const std::string body = objects(pdf);
        EXPECT_EQ(count(body, "/Subtype /Link"), 3);
        EXPECT_EQ(count(body, "/URI \\(https://example\\.org/one\\)"), 1);
    }
}

TEST_F(StructureRouteE2E, SettingsTheRouteCannotApplyAreSaidOnce) {
    const ShellRun run = convert("--keep-structure --compression LZW --pdf-version 1.3");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(count(run.output, "have no meaning for this batch"), 1) << run.output;
    EXPECT_NE(run.output.find("LZW"), std::string::npos) << run.output;
    EXPECT_EQ(pdfinfo(out("navigable.pdf"), "PDF version"), "1.5");
}

} // namespace
