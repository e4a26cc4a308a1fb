#include "platform/office/PageLayout.h"

#include <gtest/gtest.h>

using zarta::PageLayout;
using zarta::PdfPages;
using Format = PageLayout::Format;
using PageRun = PageLayout::Run;

namespace {

// Page formats in 1/100 mm, and the sizes the office prints them at, in whole points.
const Format letter{21590, 27940};
const Format letterLandscape{27940, 21590};
const Format a4{21001, 29700};
const Format a4Landscape{29700, 21001};
const PdfPages::Size letterPrinted{612, 792};
const PdfPages::Size letterLandscapePrinted{792, 612};
const PdfPages::Size a4Printed{595, 842};

TEST(PageLayoutTest, APortraitPageAfterALandscapePageStartsANewPrintJob) {
    struct Case {
        const char* what;
        std::vector<Format> pages;
        std::vector<PageRun> jobs;
    };
    const Case cases[] = {
        {"no pages", {}, {}},
        {"one page", {letter}, {{1, 1}}},
        {"one format throughout", {a4, a4, a4}, {{1, 3}}},
        {"landscape between portrait pages",
         {letter, letter, letterLandscape, letter, letter, a4},
         {{1, 3}, {4, 6}}},
        {"landscape at the start and the end",
         {letterLandscape, letter, letterLandscape},
         {{1, 1}, {2, 3}}},
        {"landscape pages in a row", {letterLandscape, letterLandscape, letter}, {{1, 2}, {3, 3}}},
        {"other paper after a landscape page",
         {letterLandscape, a4Landscape, a4, letter},
         {{1, 2}, {3, 4}}},
        {"portrait paper sizes only", {letter, a4, letter}, {{1, 3}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageLayout::printJobs(c.pages), c.jobs) << c.what;
    }
    EXPECT_EQ((PageRun{4, 5}).range(), "4-5");
    EXPECT_EQ((PageRun{3, 3}).range(), "3-3");
}

TEST(PageLayoutTest, APrintMatchesWhenEveryPageHasItsDocumentPagesSizeAndOrientation) {
    struct Case {
        const char* what;
        std::vector<Format> document;
        std::vector<PdfPages::Size> printed;
        std::string difference; // empty: the print matches
    };
    const Case cases[] = {
        {"same pages",
         {letter, letterLandscape, a4},
         {letterPrinted, letterLandscapePrinted, a4Printed},
         ""},
        {"sizes rounded to whole points", {{21001, 29699}}, {{595.0, 842.0}}, ""},
        {"a page more",
         {letter, letter},
         {letterPrinted, letterPrinted, letterPrinted},
         "the document has 2 pages, the print 3"},
        {"a page less", {letter, letter}, {letterPrinted}, "the document has 2 pages, the print 1"},
        {"portrait page printed landscape",
         {letter, letterLandscape, letter, letter},
         {letterPrinted, letterLandscapePrinted, letterLandscapePrinted, letterLandscapePrinted},
         "page 3 was printed 27.9 x 21.6 cm (landscape); the document's page 3 is 21.6 x 27.9 cm "
         "(portrait)"},
        {"landscape page printed portrait",
         {letterLandscape},
         {letterPrinted},
         "page 1 was printed 21.6 x 27.9 cm (portrait); the document's page 1 is 27.9 x 21.6 cm "
         "(landscape)"},
        {"other paper",
         {letter, a4},
         {letterPrinted, letterPrinted},
         "page 2 was printed 21.6 x 27.9 cm (portrait); the document's page 2 is 21.0 x 29.7 cm "
         "(portrait)"},
        {"a few millimetres off",
         {a4},
         {{595, 830}},
         "page 1 was printed 21.0 x 29.3 cm (portrait); the document's page 1 is 21.0 x 29.7 cm "
         "(portrait)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageLayout::difference(c.document, c.printed), c.difference) << c.what;
    }
}

} // namespace
