#include "platform/office/PageLayout.h"

#include <cmath>
#include <cstdio>

namespace zarta {

namespace {

constexpr double pointsPerHundredthMillimetre = 72.0 / 2540.0;
// The office writes a print's page sizes in whole points, so a printed page may be up to half a
// point off its document page; different paper sizes lie far more apart (A4 and Letter 17 points
// in width, 50 in height).
constexpr double tolerancePoints = 2.0;

// "21.6 x 27.9 cm (portrait)"
std::string describe(double widthPoints, double heightPoints) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f x %.1f cm (%s)", widthPoints * 2.54 / 72.0,
                  heightPoints * 2.54 / 72.0,
                  widthPoints > heightPoints ? "landscape" : "portrait");
    return text;
}

} // namespace

std::string PageLayout::Run::range() const {
    return std::to_string(first) + "-" + std::to_string(last);
}

std::vector<PageLayout::Run> PageLayout::printJobs(const std::vector<Format>& pages) {
    std::vector<Run> jobs;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (i > 0 && !(pages[i - 1].landscape() && !pages[i].landscape())) {
            jobs.back().last = number;
        } else {
            jobs.push_back({number, number});
        }
    }
    return jobs;
}

std::string PageLayout::difference(const std::vector<Format>& document,
                                   const std::vector<PdfPages::Size>& printed) {
    if (printed.size() != document.size()) {
        return "the document has " + std::to_string(document.size()) + " pages, the print " +
               std::to_string(printed.size());
    }
    for (std::size_t i = 0; i < document.size(); ++i) {
        const double width = document[i].width * pointsPerHundredthMillimetre;
        const double height = document[i].height * pointsPerHundredthMillimetre;
        if (std::fabs(printed[i].width - width) > tolerancePoints ||
            std::fabs(printed[i].height - height) > tolerancePoints) {
            const std::string page = "page " + std::to_string(i + 1);
            return page + " was printed " + describe(printed[i].width, printed[i].height) +
                   "; the document's " + page + " is " + describe(width, height);
        }
    }
    return {};
}

} // namespace zarta
