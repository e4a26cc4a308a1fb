#pragma once

#include <string>

namespace zarta {

class BatchControl;
class FileConverter;
class UserPrompts;
struct ConversionOptions;

// The conversion of the one document the add-in was asked to convert, into a PDF of the same
// base name in a chosen folder.
//
// Only a document whose path ends in ".doc", ".docx" or ".dot" (exactly, letter case included)
// is converted; any other path is answered with "Not Suppot File <path>,Convert next file?" and
// nothing is started. An existing PDF of the same name is replaced without a question, but only
// by a complete new one: the PDF is written in a private work folder and published over the old
// one when complete, so a failed run leaves the old PDF as it was. A failure (passwords the PDF
// cannot keep, no word processor, a document that cannot be opened or printed, a failing PDF
// stage) is shown to the user through the prompts, as one message naming the file; nothing is
// raised to the caller but BatchAbandoned, when the control is abandoned.
//
// The document is converted as a batch of one (BatchWorker), so it goes through the same steps
// as every file of a batch.
//
// Thread: convertDocument() runs on the caller's worker thread; the converter is used on a
// thread of the batch's (see BatchWorker), which has ended when convertDocument() returns. The
// converter and the prompts must outlive the object.
class SingleDocumentConversion {
public:
    struct Result {
        // The PDF's path: the folder, a separator unless it ends in one, the document's base
        // name and ".pdf". Empty when the document was not one the add-in converts.
        std::string outputPath;
        // True only when the complete PDF is now at outputPath.
        bool written = false;
    };

    // dataFolder: the program's private data folder, where the work folder is made.
    SingleDocumentConversion(FileConverter& converter, UserPrompts& prompts,
                             std::string dataFolder);

    Result convertDocument(const std::string& documentPath, const std::string& outputFolder,
                           const ConversionOptions& options, BatchControl& control);

private:
    FileConverter& converter_;
    UserPrompts& prompts_;
    std::string dataFolder_;
};

} // namespace zarta
