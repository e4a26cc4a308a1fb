#pragma once

#include "engine/FileConverter.h"
#include "engine/ProductNames.h"

#include <chrono>
#include <memory>
#include <string>

namespace zarta {

class PdfStage;
class PrintWatch;
class UserPrompts;
class WordApplicationFactory;
class WorkFolder;

// The per-file conversion: a word processor of its own opens the document read-only and prints
// it through the printer "ZartaWordToPDF" into a print file in a private work folder; the
// document is closed and the word processor quit; then the PDF stage turns the print file into
// the PDF. start() returns that last step as the remainder, which may run on another thread
// while the next document is in the word processor; convert() runs it at once.
//
// In the structure-keeping route (ConversionOptions::keepsStructure) the word processor exports
// the document as a PDF instead of printing it (ExportSettings says how the options map), after
// taking the document information fields the user filled in as the document's own properties;
// the PDF stage then gets that PDF in place of the print file. No printer is chosen.
//
// A protected document makes it ask for the password (UserPrompts::askPassword) and run the
// whole conversion again with a new word-processor session, as often as the user enters a
// wrong one; Cancel gives up the file (NotConverted). Any other failure (no word processor, a
// document that cannot be read, a failing call, a failing PDF stage) ends the session and is
// raised as a ConversionError naming the file.
//
// Where no one can be asked (setAskForPasswords(false)), every Open passes no password at all
// and a protected document is a ConversionError saying so.
//
// documentPassword: the password passed to every Open. It equals placeholderPassword at every
// first attempt and differs only during a retry; a document without a password opens whatever
// it holds.
//
// Thread: convert() and start() run on one thread at a time (the batch worker's, or the lane's
// of a batch with several word processors, see BatchWorker), which makes every
// word-processor call. A remainder runs the PDF stage on whatever thread calls it, possibly
// while start() runs for the next document. The factory, PDF stage, prompts and print watch must
// outlive the converter and its remainders.
class WordToPdfConverter : public FileConverter {
public:
    static constexpr const char* progId = "Word.Application";
    static constexpr const char* printerName = ProductNames::program.data();
    // One character no one types as a password.
    static constexpr const char* placeholderPassword = "\x1f";
    // The print file's name inside the conversion's work folder.
    static constexpr const char* printFileName = "tmp.ps";
    // The export's name there, in the structure-keeping route.
    static constexpr const char* exportFileName = "export.pdf";

    // dataFolder: the program's private data folder; each conversion makes its work folder in it.
    WordToPdfConverter(WordApplicationFactory& word, PdfStage& pdf, UserPrompts& prompts,
                       PrintWatch& printWatch, std::string dataFolder);

    // How often the wait for printing asks whether printing has ended (1000 ms by default).
    void setPrintPollInterval(std::chrono::milliseconds interval) { printPollInterval_ = interval; }
    // Whether a protected document leads to the password prompt (the default).
    void setAskForPasswords(bool ask) { askForPasswords_ = ask; }

    FileOutcome convert(const std::string& sourcePath, const std::string& outputPath,
                        const ConversionOptions& options, BatchControl& control) override;
    Started start(const std::string& sourcePath, const std::string& outputPath,
                  const ConversionOptions& options, BatchControl& control,
                  const std::function<void()>& beforeAsking) override;

    const std::string& documentPassword() const { return documentPassword_; }

private:
    // One word-processor session: yields the work folder holding the complete print file once
    // the session has ended, or nullptr when the document needs another password.
    std::shared_ptr<WorkFolder> attempt(const std::string& sourcePath,
                                        const ConversionOptions& options, BatchControl& control);

    WordApplicationFactory& word_;
    PdfStage& pdf_;
    UserPrompts& prompts_;
    PrintWatch& printWatch_;
    std::string dataFolder_;
    std::chrono::milliseconds printPollInterval_{1000};
    bool askForPasswords_ = true;
    std::string documentPassword_ = placeholderPassword;
};

} // namespace zarta
