#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace zarta {

// The pages of PDF files, read and joined with qpdf: each page's size as a reader shows it, and
// one PDF made of the pages of several.
//
// Stateless; thread-safe (each call reads its files afresh). Every function throws Error, whose
// what() says why, when a file cannot be read or written.
class PdfPages {
public:
    // A page's visible size in points (1/72 inch): its crop box (or media box where it has none),
    // turned by the page's rotation, so a page shown landscape is wider than high.
    struct Size {
        double width = 0;
        double height = 0;
    };

    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The size of each page, in page order.
    static std::vector<Size> sizes(const std::string& path);

    // Writes to output a PDF holding the pages of the files in parts, in order, replacing what
    // output held. Leaves no output behind when it fails.
    static void join(const std::vector<std::string>& parts, const std::string& output);
};

} // namespace zarta
