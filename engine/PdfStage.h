#pragma once

#include <string>

namespace zarta {

class BatchControl;
struct ConversionOptions;

// Turns the word processor's print file into the final PDF with the conversion options
// applied (version, encryption and permissions, document information, compression). The
// Ghostscript stage implements it; tests of the Word stage use fakes.
//
// Thread: called on the batch worker's thread; returns when everything it started has ended.
class PdfStage {
public:
    struct Job {
        std::string printFile;  // what the word processor printed
        std::string sourcePath; // the Word document, for naming it in messages
        std::string outputPath; // where the PDF goes: a new name in a private folder
        std::string workFolder; // private folder of this conversion for parameter files
    };

    virtual ~PdfStage() = default;

    // Writes the PDF, or throws a ConversionError (naming the document and saying why) and
    // leaves nothing usable at outputPath. Passes BatchAbandoned through.
    virtual void writePdf(const Job& job, const ConversionOptions& options,
                          BatchControl& control) = 0;
};

} // namespace zarta
