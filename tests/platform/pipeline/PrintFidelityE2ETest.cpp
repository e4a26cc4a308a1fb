// Documents whose pages the print route used to lose while the file counted as converted, each
// converted as the program does (the real office prints it, the kept Ghostscript writes the PDF)
// and checked with poppler's tools: pages of mixed orientation and paper, a protected form, a
// Word 2.0 document, and a page the office's printer cannot print at its size.
#include "engine/BatchControl.h"
#include "engine/ConversionError.h"
#include "engine/ConversionOptions.h"
#include "engine/GhostscriptInterpreterStage.h"
#include "engine/PrintWatch.h"
#include "engine/UserPrompts.h"
#include "engine/WordToPdfConverter.h"
#include "platform/office/OfficeApplicationFactory.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/LegacyWordDocument.h"
#include "tests/support/OfficeTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestDocuments.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

using namespace zarta;
using namespace zarta::test;
namespace fs = std::filesystem;

namespace {

class NoPrompts : public UserPrompts {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&, bool) override {
        return std::nullopt;
    }
};

class NoWatch : public PrintWatch {
public:
    void start() override {}
    void stop() override {}
};

std::string run(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
            output.append(buffer.data(), n);
        }
        ::pclose(pipe);
    }
    return output;
}

struct PageSize {
    double width = 0;
    double height = 0;
};

// Each page's size in points as a reader shows it (turned by the page's rotation), from pdfinfo.
std::vector<PageSize> pageSizes(const std::string& pdf) {
    std::istringstream info(run("pdfinfo -f 1 -l 1000 '" + pdf + "' 2>/dev/null"));
    std::vector<PageSize> sizes;
    for (std::string line; std::getline(info, line);) {
        int page = 0;
        PageSize size;
        int rotation = 0;
        if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &size.width,
                        &size.height) == 3) {
            sizes.push_back(size);
        } else if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rotation) == 2 &&
                   rotation % 180 != 0 && !sizes.empty()) {
            std::swap(sizes.back().width, sizes.back().height);
        }
    }
    return sizes;
}

// The lines of text pdftotext finds on one page, inside the page's own bounds.
std::vector<std::string> pageLines(const std::string& pdf, int page, PageSize size) {
    const std::string number = std::to_string(page);
    std::istringstream text(run("pdftotext -q -enc UTF-8 -f " + number + " -l " + number +
                                " -x 0 -y 0 -W " + std::to_string(int(size.width)) + " -H " +
                                std::to_string(int(size.height)) + " '" + pdf + "' -"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// --- The documents ----------------------------------------------------------------------------

struct Paper {
    const char* name;
    const char* width;
    const char* height;
    bool landscape;
    PageSize points;       // as the PDF must show it
    bool sideways = false; // most of the page's text runs sideways
};

const Paper letter{"LetterPortrait", "21.59cm", "27.94cm", false, {612, 792}};
const Paper letterLandscape{"LetterLandscape", "27.94cm", "21.59cm", true, {792, 612}};
const Paper letterSideways{"LetterPortrait", "21.59cm", "27.94cm", false, {612, 792}, true};
const Paper a4{"A4Portrait", "21cm", "29.7cm", false, {595.3, 841.9}};
const Paper square{"Square", "20cm", "20cm", false, {566.9, 566.9}};

// A page layout and its page style of the paper, with "Page N" in the footer.
TestDocuments::Styles pageStyle(const Paper& paper) {
    const std::string layout = std::string("Layout") + paper.name;
    return {"<style:page-layout style:name=\"" + layout +
                "\"><style:page-layout-properties fo:page-width=\"" + paper.width +
                "\" fo:page-height=\"" + paper.height + "\" style:print-orientation=\"" +
                (paper.landscape ? "landscape" : "portrait") +
                "\" fo:margin-top=\"2cm\" fo:margin-bottom=\"2cm\" fo:margin-left=\"2cm\" "
                "fo:margin-right=\"2cm\"/><style:footer-style><style:header-footer-properties "
                "fo:min-height=\"0.6cm\" fo:margin-top=\"0.3cm\"/></style:footer-style>"
                "</style:page-layout>",
            std::string("<style:master-page style:name=\"") + paper.name +
                "\" style:page-layout-name=\"" + layout +
                "\"><style:footer><text:p>Page <text:page-number text:select-page=\"current\"/>"
                "</text:p></style:footer></style:master-page>",
            ""};
}

// One page per paper, each starting on a page of that paper's style and filled with lines down
// to "Last line of page N" (on a sideways page, a few lines turned a quarter, then that line).
std::pair<std::string, TestDocuments::Styles> pagesOf(const std::vector<Paper>& papers) {
    TestDocuments::Styles styles;
    std::string body;
    std::vector<std::string> defined;
    styles.automatic += "<style:style style:name=\"Sideways\" style:family=\"text\">"
                        "<style:text-properties style:text-rotation-angle=\"90\"/></style:style>";
    for (std::size_t i = 0; i < papers.size(); ++i) {
        const Paper& paper = papers[i];
        if (std::find(defined.begin(), defined.end(), paper.name) == defined.end()) {
            const auto style = pageStyle(paper);
            styles.automatic += style.automatic;
            styles.masterPages += style.masterPages;
            defined.push_back(paper.name);
        }
        const std::string page = std::to_string(i + 1);
        styles.automatic += "<style:style style:name=\"Start" + page +
                            "\" style:family=\"paragraph\" style:master-page-name=\"" + paper.name +
                            "\"/>";
        const int lines = paper.sideways ? 3 : paper.landscape ? 24 : 36;
        for (int line = 1; line <= lines; ++line) {
            const std::string text =
                paper.sideways ? "Sideways line " + std::to_string(line) + " of page " + page + "."
                               : "Line " + std::to_string(line) + " of page " + page +
                                     ": the quarterly review of each region.";
            body +=
                std::string("<text:p") +
                (line == 1 ? " text:style-name=\"Start" + page + "\"" : "") + ">" +
                (paper.sideways ? "<text:span text:style-name=\"Sideways\">" + text + "</text:span>"
                                : text) +
                "</text:p>";
        }
        body += "<text:p>Last line of page " + page + "</text:p>";
    }
    return {body, styles};
}

const std::vector<Paper> mixedPapers{letter, letterLandscape, letter, letterSideways, a4};

// A two-language application form as Word protects a form: the form's labels in a table beside
// text form fields, a heading and an e-mail link, in a protected section (stored as Word's
// form protection).
std::string protectedForm() {
    std::string rows;
    int field = 0;
    for (const char* label : {"Surname / Nom", "Given names / Prénoms",
                              "Date of birth / Date de "
                              "naissance",
                              "Address / Adresse", "Telephone / Téléphone"}) {
        rows += "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" +
                std::string(label) +
                "</text:p></table:table-cell><table:table-cell office:value-type=\"string\">"
                "<text:p><field:fieldmark-start text:name=\"Field" +
                std::to_string(++field) +
                "\" field:type=\"vnd.oasis.opendocument.field.FORMTEXT\"/>\u2002\u2002\u2002\u2002"
                "\u2002<field:fieldmark-end/></text:p></table:table-cell></table:table-row>";
    }
    return "<text:section text:name=\"Form\" text:protected=\"true\">"
           "<text:h text:outline-level=\"1\">Application form / Formulaire de demande</text:h>"
           "<table:table table:name=\"Applicant\"><table:table-column "
           "table:number-columns-repeated=\"2\"/>" +
           rows +
           "</table:table><text:p>Send it to <text:a xlink:type=\"simple\" "
           "xlink:href=\"mailto:office@example.org\">office@example.org</text:a> / Envoyez-le à "
           "la même adresse.</text:p></text:section>";
}

const char* const formWords[] = {"Application form / Formulaire de demande",
                                 "Surname / Nom",
                                 "Given names / Prénoms",
                                 "Date of birth / Date de naissance",
                                 "Telephone / Téléphone",
                                 "office@example.org",
                                 "Envoyez-le à la même adresse."};

class PrintFidelityE2E : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        TestDocuments maker(officeProfiles("print-fidelity"));
        using Format = TestDocuments::Format;
        const auto [pages, styles] = pagesOf(mixedPapers);
        maker.make(in("mixed.docx"), Format::Docx, pages, styles);
        maker.make(in("mixed.doc"), Format::Doc, pages, styles);
        maker.make(in("form.docx"), Format::Docx, protectedForm());
        maker.make(in("form.doc"), Format::Doc, protectedForm());
        const auto [squarePage, squareStyles] = pagesOf({square});
        maker.make(in("square.docx"), Format::Docx, squarePage, squareStyles);
        LegacyWordDocument::write(
            in("word2.doc"), LegacyWordDocument::Version::Word2,
            {"A Word 2.0 document", "Größe ½ in Zürich: déjà vu à la façade"});
    }

    static void TearDownTestSuite() { delete dir_; }

    static std::string in(const std::string& name) { return dir_->file(name); }
    std::string out(const std::string& name) const { return out_.file(name); }

    // Converts one document into out/<stem>.pdf as the program does; yields the error message
    // of a file that is not converted, empty when it is.
    std::string convert(const std::string& name) {
        PosixProcessRunner runner;
        const GhostscriptLocator locator;
        const QpdfSecurityCheck securityCheck;
        GhostscriptInterpreterStage ghostscript(
            runner, [&locator] { return locator.locate(); }, securityCheck, data_.path().string());
        OfficeSettings settings;
        settings.profileRoot = officeProfiles("print-fidelity");
        OfficeApplicationFactory office(settings);
        NoPrompts prompts;
        NoWatch watch;
        WordToPdfConverter converter(office, ghostscript, prompts, watch, data_.path().string());
        converter.setPrintPollInterval(std::chrono::milliseconds(50));
        BatchControl control;
        try {
            EXPECT_EQ(converter.convert(in(name), out(fs::path(name).stem().string() + ".pdf"), {},
                                        control),
                      FileOutcome::Converted);
        } catch (const ConversionError& error) {
            return error.what();
        }
        return {};
    }

    static TempDir* dir_;
    TempDir out_;
    TempDir data_;
};

TempDir* PrintFidelityE2E::dir_ = nullptr;

TEST_F(PrintFidelityE2E, EveryPageHasItsDocumentPagesSizeAndOrientationAndItsText) {
    for (const char* name : {"mixed.docx", "mixed.doc"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(convert(name), "");
        const std::string pdf = out("mixed.pdf");
        const auto sizes = pageSizes(pdf);
        ASSERT_EQ(sizes.size(), mixedPapers.size());
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const int page = static_cast<int>(i) + 1;
            EXPECT_NEAR(sizes[i].width, mixedPapers[i].points.width, 1.0) << "page " << page;
            EXPECT_NEAR(sizes[i].height, mixedPapers[i].points.height, 1.0) << "page " << page;
            const auto lines = pageLines(pdf, page, sizes[i]);
            EXPECT_TRUE(holds(lines, "Last line of page " + std::to_string(page)))
                << "page " << page << " lost its last line";
            EXPECT_TRUE(holds(lines, "Page " + std::to_string(page)))
                << "page " << page << " lost its footer";
        }
    }
}

TEST_F(PrintFidelityE2E, AProtectedFormPrintsItsText) {
    for (const char* name : {"form.docx", "form.doc"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(convert(name), "");
        const std::string text = pdfText(out("form.pdf"));
        for (const char* words : formWords) {
            EXPECT_NE(text.find(words), std::string::npos) << words << " missing from:\n" << text;
        }
        EXPECT_EQ(pageSizes(out("form.pdf")).size(), 1u);
    }
}

TEST_F(PrintFidelityE2E, AWord2DocumentConverts) {
    ASSERT_EQ(convert("word2.doc"), "");
    const std::string text = pdfText(out("word2.pdf"));
    for (const char* words : {"A Word 2.0 document", "Größe ½ in Zürich: déjà vu à la façade"}) {
        EXPECT_NE(text.find(words), std::string::npos) << words << " missing from:\n" << text;
    }
}

// The office's printer knows a list of paper sizes; a page of another size it prints on paper
// of its own choice. That file fails, naming itself and the page, instead of becoming a PDF
// with other pages.
TEST_F(PrintFidelityE2E, APageThePrinterCannotPrintAtItsSizeFailsTheFile) {
    const std::string error = convert("square.docx");
    EXPECT_NE(error.find("\"" + in("square.docx") + "\""), std::string::npos) << error;
    EXPECT_NE(error.find("the printed pages differ from the document's pages: page 1 was printed"),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("the document's page 1 is 20.0 x 20.0 cm (portrait)"), std::string::npos)
        << error;
    EXPECT_TRUE(fs::is_empty(out_.path()));
    EXPECT_TRUE(fs::is_empty(data_.path())) << "the conversion left files behind";
}

} // namespace
