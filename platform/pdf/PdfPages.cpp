#include "platform/pdf/PdfPages.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cmath>
#include <memory>
#include <unistd.h>

namespace zarta {

namespace {

std::unique_ptr<QPDF> open(const std::string& path) {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
        pdf->processFile(path.c_str());
    } catch (const std::exception& error) {
        throw PdfPages::Error("\"" + path + "\" can't be read as a PDF: " + error.what());
    }
    return pdf;
}

PdfPages::Size pageSize(QPDFPageObjectHelper& page) {
    QPDFObjectHandle box = page.getCropBox();
    if (!box.isRectangle()) {
        throw PdfPages::Error("a page has no valid media box");
    }
    const QPDFObjectHandle::Rectangle corners = box.getArrayAsRectangle();
    PdfPages::Size size{std::fabs(corners.urx - corners.llx), std::fabs(corners.ury - corners.lly)};
    // The rotation is inherited from the page tree like the boxes; readers take it modulo 360
    // in steps of 90 degrees.
    QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
    const long long degrees = rotate.isInteger() ? rotate.getIntValue() : 0;
    if (((degrees % 360) + 360) % 180 == 90) {
        std::swap(size.width, size.height);
    }
    return size;
}

} // namespace

std::vector<PdfPages::Size> PdfPages::sizes(const std::string& path) {
    const auto pdf = open(path);
    std::vector<Size> result;
    try {
        for (auto& page : QPDFPageDocumentHelper(*pdf).getAllPages()) {
            result.push_back(pageSize(page));
        }
    } catch (const Error& error) {
        throw Error("\"" + path + "\": " + error.what());
    } catch (const std::exception& error) {
        throw Error("\"" + path + "\" can't be read as a PDF: " + error.what());
    }
    return result;
}

void PdfPages::join(const std::vector<std::string>& parts, const std::string& output) {
    // The pages are copied from their files when the joined one is written, so every source
    // stays open until then.
    std::vector<std::unique_ptr<QPDF>> sources;
    QPDF joined;
    joined.emptyPDF();
    QPDFPageDocumentHelper pages(joined);
    for (const std::string& part : parts) {
        sources.push_back(open(part));
        try {
            for (auto& page : QPDFPageDocumentHelper(*sources.back()).getAllPages()) {
                pages.addPage(page, false);
            }
        } catch (const std::exception& error) {
            throw Error("\"" + part + "\" can't be read as a PDF: " + error.what());
        }
    }
    try {
        QPDFWriter writer(joined, output.c_str());
        writer.write();
    } catch (const std::exception& error) {
        ::unlink(output.c_str());
        throw Error("\"" + output + "\" can't be written: " + error.what());
    }
}

} // namespace zarta
