#pragma once

#include <string>

namespace zarta {

// What became of one file of a batch, as the batch worker reports it to its page: once per file,
// in list order.
struct FileReport {
    enum class Result {
        Converted, // the complete PDF is now at outputPath
        Kept,      // a PDF of that name existed and was kept (the user said No to replacing it)
        Failed,    // the conversion failed; message says why (it was also shown to the user)
        GaveUp,    // the user gave up on the file (a cancelled password prompt); nothing shown
        NotReached // an earlier file's failure ended the batch (see BatchSummary::endedBy)
    };

    int index = 0; // the file's position in the list, from 0
    int count = 0; // the number of files in the list
    std::string sourcePath;
    std::string outputPath; // the PDF's full path
    Result result = Result::Failed;
    std::string message; // why it was not converted: with Failed (also shown) and NotReached
};

} // namespace zarta
