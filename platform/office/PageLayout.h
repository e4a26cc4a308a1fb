#pragma once

#include "platform/pdf/PdfPages.h"

#include <string>
#include <vector>

namespace zarta {

// A document's pages as the office lays them out for printing: the print jobs that print them
// faithfully, and whether a print holds exactly those pages.
//
// Stateless; thread-safe.
class PageLayout {
public:
    // A page's size in 1/100 mm, as the office gives it; wider than high is landscape.
    struct Format {
        int width = 0;
        int height = 0;
        bool operator==(const Format&) const = default;
        bool landscape() const { return width > height; }
    };

    // Consecutive pages, numbered from 1 as the office numbers the pages it prints.
    struct Run {
        int first = 0;
        int last = 0;
        bool operator==(const Run&) const = default;
        // The office's page range for the run ("3-5").
        std::string range() const;
    };

    // The runs of pages to print as one print job each, in page order. Within one job the
    // office's printer keeps a landscape page's orientation for the portrait pages of the same
    // paper that follow it, so a new job starts at every portrait page that follows a landscape
    // page; each job starts from the printer's own (portrait) settings. Any other change of
    // format within a job is printed as it should be. Each job embeds the fonts it uses anew,
    // which is why there are no more jobs than that.
    static std::vector<Run> printJobs(const std::vector<Format>& pages);

    // Empty when the printed pages are the document's pages: as many, each of its document
    // page's size and orientation. Otherwise a sentence naming the first difference, e.g. "page 3
    // was printed 27.9 x 21.6 cm (landscape); the document's page 3 is 21.6 x 27.9 cm
    // (portrait)".
    static std::string difference(const std::vector<Format>& document,
                                  const std::vector<PdfPages::Size>& printed);
};

} // namespace zarta
