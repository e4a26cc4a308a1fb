// Page sizes and joined files with PDFs built here page by page with qpdf.
#include "platform/pdf/PdfPages.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>

using zarta::PdfPages;

namespace {

// One page: the extra entries of its dictionary (its boxes, its rotation).
using Page = std::string;

// Writes a PDF of empty pages; pagesEntries go into the page tree's root, whose entries its
// pages inherit.
void writePdf(const std::string& path, const std::vector<Page>& pages,
              const std::string& pagesEntries = "") {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper helper(pdf);
    for (const Page& entries : pages) {
        helper.addPage(
            pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page " + entries + " >>")),
            false);
    }
    if (!pagesEntries.empty()) {
        QPDFObjectHandle root = pdf.getRoot().getKey("/Pages");
        QPDFObjectHandle extra = QPDFObjectHandle::parse("<< " + pagesEntries + " >>");
        for (const auto& key : extra.getKeys()) {
            root.replaceKey(key, extra.getKey(key));
        }
    }
    QPDFWriter writer(pdf, path.c_str());
    writer.write();
}

void expectSizes(const std::vector<PdfPages::Size>& sizes,
                 const std::vector<std::pair<double, double>>& expected, const std::string& what) {
    ASSERT_EQ(sizes.size(), expected.size()) << what;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        EXPECT_DOUBLE_EQ(sizes[i].width, expected[i].first) << what << ", page " << i + 1;
        EXPECT_DOUBLE_EQ(sizes[i].height, expected[i].second) << what << ", page " << i + 1;
    }
}

TEST(PdfPagesTest, ReadsEachPagesVisibleSize) {
    struct Case {
        const char* what;
        std::vector<Page> pages;
        std::string inherited;
        std::vector<std::pair<double, double>> sizes;
    };
    const Case cases[] = {
        {"portrait and landscape",
         {"/MediaBox [0 0 612 792]", "/MediaBox [0 0 792 612]"},
         "",
         {{612, 792}, {792, 612}}},
        {"turned a quarter, either way",
         {"/MediaBox [0 0 612 792] /Rotate 90", "/MediaBox [0 0 612 792] /Rotate 270",
          "/MediaBox [0 0 612 792] /Rotate -90", "/MediaBox [0 0 612 792] /Rotate 450"},
         "",
         {{792, 612}, {792, 612}, {792, 612}, {792, 612}}},
        {"turned upside down", {"/MediaBox [0 0 612 792] /Rotate 180"}, "", {{612, 792}}},
        {"crop box inside the media box",
         {"/MediaBox [0 0 612 792] /CropBox [36 36 576 756]"},
         "",
         {{540, 720}}},
        {"corners given in any order", {"/MediaBox [595 842 0 0]"}, "", {{595, 842}}},
        {"box and rotation inherited from the page tree",
         {"", "/MediaBox [0 0 420 595]"},
         "/MediaBox [0 0 595 842] /Rotate 90",
         {{842, 595}, {595, 420}}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("pages.pdf");
        writePdf(path, c.pages, c.inherited);
        expectSizes(PdfPages::sizes(path), c.sizes, c.what);
    }
}

TEST(PdfPagesTest, JoinsThePagesOfSeveralFilesInOrder) {
    TempDir dir;
    writePdf(dir.file("a.pdf"), {"/MediaBox [0 0 612 792]"});
    writePdf(dir.file("b.pdf"), {"/MediaBox [0 0 792 612]", "/MediaBox [0 0 612 792] /Rotate 90"});
    writePdf(dir.file("c.pdf"), {"/MediaBox [0 0 595 842]"});
    TempDir::write(dir.file("joined.pdf"), "what was there before");

    PdfPages::join({dir.file("a.pdf"), dir.file("b.pdf"), dir.file("c.pdf")},
                   dir.file("joined.pdf"));

    expectSizes(PdfPages::sizes(dir.file("joined.pdf")),
                {{612, 792}, {792, 612}, {792, 612}, {595, 842}}, "joined");
}

TEST(PdfPagesTest, SaysWhichFileItCannotRead) {
    TempDir dir;
    writePdf(dir.file("good.pdf"), {"/MediaBox [0 0 612 792]"});
    TempDir::write(dir.file("print.ps"), "%!PS-Adobe-3.0\nshowpage\n");
    TempDir::write(dir.file("cut.pdf"), TempDir::read(dir.file("good.pdf")).substr(0, 9));

    for (const std::string name : {"print.ps", "cut.pdf", "missing.pdf"}) {
        try {
            PdfPages::sizes(dir.file(name));
            ADD_FAILURE() << name << " was read";
        } catch (const PdfPages::Error& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
    }
    try {
        PdfPages::join({dir.file("good.pdf"), dir.file("print.ps")}, dir.file("joined.pdf"));
        ADD_FAILURE() << "joined a file that is no PDF";
    } catch (const PdfPages::Error& error) {
        EXPECT_NE(std::string(error.what()).find("print.ps"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("joined.pdf")));
}

} // namespace
