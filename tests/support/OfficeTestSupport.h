#pragma once

#include "engine/BatchControl.h"
#include "engine/WordApplicationFactory.h"
#include "engine/WordError.h"
#include "engine/WordVariant.h"

#include <optional>
#include <string>
#include <vector>

namespace zarta::test {

// Where an end-to-end suite keeps its office profiles: a folder of its own in
// $ZARTA_TEST_OFFICE_PROFILES, or in the temporary directory.
std::string officeProfiles(const std::string& suite);

// What one session did with one document.
struct WordRun {
    bool printed = false;
    std::optional<WordError::Kind> error;
    std::string detail;
};

// Converts a document's Word stage as the conversion does: create "Word.Application", Visible
// false, ActivePrinter "ZartaWordToPDF", Documents, Open, PrintOut into output,
// BackgroundPrintingStatus until 0, Close and Quit (Quit also after a failure).
WordRun runWord(WordApplicationFactory& factory, BatchControl& control, const std::string& source,
                const WordVariant& password, const std::string& output);

// What a shell command ended with: its exit status (-1 when it did not exit) and its standard
// output.
struct ShellRun {
    int status = -1;
    std::string output;
};
ShellRun runShell(const std::string& command);

// The text of a PDF (pdftotext, UTF-8).
std::string pdfText(const std::string& path);

// The number of pictures in a PDF (pdfimages -list).
int pdfImageCount(const std::string& path);

// Whether a process exists and has not ended (a zombie has ended).
bool processRunning(int pid);

// Waits up to two seconds for a process to end; true when it did.
bool processEnds(int pid);

// The live processes whose command line or environment mentions text, or whose working
// directory's path holds it (offices learn their profile from their environment; Ghostscript
// works inside its folder).
std::vector<int> processesMentioning(const std::string& text);

} // namespace zarta::test
