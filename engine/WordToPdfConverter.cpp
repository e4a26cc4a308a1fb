#include "engine/WordToPdfConverter.h"

#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/ExportSettings.h"
#include "engine/Messages.h"
#include "engine/NoWordProcessor.h"
#include "engine/OutputNaming.h"
#include "engine/PdfStage.h"
#include "engine/PrintWatch.h"
#include "engine/UserPrompts.h"
#include "engine/WordApplication.h"
#include "engine/WordApplicationFactory.h"
#include "engine/WordError.h"
#include "engine/WordStageError.h"
#include "engine/WorkFolder.h"

#include <memory>

namespace zarta {

namespace {

using V = WordVariant;

std::array<V, 3> closeArguments() {
    return {V::False(), V::False(), V::False()};
}

std::array<V, 12> openArguments(const std::string& sourcePath, const V& password) {
    return {
        V::Text(sourcePath), // FileName
        V::False(),          // ConfirmConversions
        V::True(),           // ReadOnly
        V::False(),          // AddToRecentFiles
        password,            // PasswordDocument
        V::Missing(),        // PasswordTemplate
        V::False(),          // Revert
        V::Missing(),        // WritePasswordDocument
        V::Missing(),        // WritePasswordTemplate
        V::Int(0),           // Format: wdOpenFormatAuto
        V::Missing(),        // Encoding
        V::True(),           // Visible
    };
}

std::array<V, 18> printOutArguments(const std::string& printFile) {
    return {
        V::True(),          // Background
        V::Missing(),       // Append
        V::Int(0),          // Range: wdPrintAllDocument
        V::Text(printFile), // OutputFileName
        V::Missing(),       // From
        V::Missing(),       // To
        V::Int(0),          // Item: wdPrintDocumentContent
        V::Int(1),          // Copies
        V::Missing(),       // Pages
        V::Int(0),          // PageType: wdPrintAllPages
        V::True(),          // PrintToFile
        V::True(),          // Collate
        V::Missing(),       // ActivePrinterMacGX
        V::False(),         // ManualDuplexPrint
        V::Int(0),          // PrintZoomColumn
        V::Int(0),          // PrintZoomRow
        V::Int(0),          // PrintZoomPaperWidth
        V::Int(0),          // PrintZoomPaperHeight
    };
}

// Owns one word-processor session and makes sure it ends: quit() ends it in the normal order;
// if it was not called (an error, an abandoned batch), the destructor closes the document and
// quits, in the same order, swallowing whatever that raises, since the session is being given
// up anyway.
class Session {
public:
    explicit Session(std::unique_ptr<WordApplication> application)
        : application_(std::move(application)) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (document_) {
            try {
                auto arguments = closeArguments();
                document_->Close(arguments);
            } catch (...) {
                // Quitting below discards the document as well.
            }
        }
        document_.reset();
        documents_.reset();
        if (application_) {
            try {
                auto arguments = closeArguments();
                application_->Quit(arguments);
            } catch (...) {
                // Destroying the application below ends what is left of the session.
            }
        }
    }

    WordApplication& application() { return *application_; }
    std::unique_ptr<WordDocuments>& documents() { return documents_; }
    std::unique_ptr<WordDocument>& document() { return document_; }

    // Close the document without saving; a failure leaves only the quit to do.
    void closeDocument() {
        auto document = std::move(document_);
        auto arguments = closeArguments();
        document->Close(arguments);
    }

    void quit() {
        document_.reset();
        documents_.reset();
        auto arguments = closeArguments();
        auto application = std::move(application_);
        application->Quit(arguments);
    }

private:
    std::unique_ptr<WordApplication> application_;
    std::unique_ptr<WordDocuments> documents_;
    std::unique_ptr<WordDocument> document_;
};

// Stops the print watch however the printing ends.
class WatchGuard {
public:
    explicit WatchGuard(PrintWatch& watch) : watch_(watch) { watch_.start(); }
    WatchGuard(const WatchGuard&) = delete;
    WatchGuard& operator=(const WatchGuard&) = delete;
    ~WatchGuard() { stop(); }
    void stop() {
        if (running_) {
            running_ = false;
            watch_.stop();
        }
    }

private:
    PrintWatch& watch_;
    bool running_ = true;
};

// Ends a session whose print file is complete. A word processor that fails while closing (it
// crashed, say) is ended all the same, but the printed document is not thrown away for it.
void endAfterPrinting(Session& session) {
    try {
        session.closeDocument();
    } catch (const WordError&) {
        // Quitting below discards the document as well.
    }
    try {
        session.quit();
    } catch (const WordError&) {
        // The application object is gone with the failed call; its provider ends the process.
    }
}

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

[[noreturn]] void raiseCallFailure(const std::string& sourcePath, const WordError& error) {
    if (error.kind() == WordError::Kind::PrintMismatch) {
        throw WordStageError(
            "Couldn't convert " + quoted(sourcePath) +
            ": the printed pages differ from the document's pages: " + error.what() + ".");
    }
    if (error.kind() == WordError::Kind::TimedOut) {
        throw WordStageError("The word processor stopped answering while converting " +
                             quoted(sourcePath) + " and was ended: " + error.what());
    }
    throw WordStageError("The word processor failed while converting " + quoted(sourcePath) + ": " +
                         error.what());
}

} // namespace

WordToPdfConverter::WordToPdfConverter(WordApplicationFactory& word, PdfStage& pdf,
                                       UserPrompts& prompts, PrintWatch& printWatch,
                                       std::string dataFolder)
    : word_(word), pdf_(pdf), prompts_(prompts), printWatch_(printWatch),
      dataFolder_(std::move(dataFolder)) {}

FileOutcome WordToPdfConverter::convert(const std::string& sourcePath,
                                        const std::string& outputPath,
                                        const ConversionOptions& options, BatchControl& control) {
    const Started started = start(sourcePath, outputPath, options, control, [] {});
    if (started.remainder) {
        started.remainder(control);
    }
    return started.outcome;
}

FileConverter::Started WordToPdfConverter::start(const std::string& sourcePath,
                                                 const std::string& outputPath,
                                                 const ConversionOptions& options,
                                                 BatchControl& control,
                                                 const std::function<void()>& beforeAsking) {
    // However this file ends, the next one starts from the placeholder again.
    struct ResetPassword {
        std::string& password;
        ~ResetPassword() { password = placeholderPassword; }
    } reset{documentPassword_};

    // Each wrong password leads to the prompt again, with a new session each time, until the
    // user enters the right one or cancels.
    std::shared_ptr<WorkFolder> work;
    for (bool again = false; !(work = attempt(sourcePath, options, control)); again = true) {
        beforeAsking();
        const auto answer = prompts_.askPassword(OutputNaming::fileName(sourcePath), again);
        if (!answer) {
            return {FileOutcome::NotConverted, {}};
        }
        documentPassword_ = answer->empty() ? std::string(placeholderPassword) : *answer;
    }
    // The remainder keeps the work folder, and with it the print file, until it is destroyed.
    PdfStage& pdf = pdf_;
    const std::string firstPdf =
        work->file(options.keepsStructure() ? exportFileName : printFileName);
    return {FileOutcome::Converted,
            [&pdf, work, firstPdf, sourcePath, outputPath, options](BatchControl& pdfControl) {
                pdf.writePdf({firstPdf, sourcePath, outputPath, work->path()}, options, pdfControl);
            }};
}

std::shared_ptr<WorkFolder> WordToPdfConverter::attempt(const std::string& sourcePath,
                                                        const ConversionOptions& options,
                                                        BatchControl& control) {
    control.checkpoint();
    auto application = word_.create(progId, control);
    if (!application) {
        throw NoWordProcessor(word_.lastFailure());
    }
    Session session(std::move(application));

    try {
        session.application().putVisible(V::Bool(false));
        if (!options.keepsStructure()) {
            session.application().putActivePrinter(V::Text(printerName));
        }
        session.documents() = session.application().getDocuments();

        try {
            auto arguments = openArguments(sourcePath, askForPasswords_ ? V::Text(documentPassword_)
                                                                        : V::Missing());
            session.document() = session.documents()->Open(arguments);
        } catch (const WordError& error) {
            if (error.kind() == WordError::Kind::PasswordRequired && !askForPasswords_) {
                throw WordStageError("Couldn't open " + quoted(sourcePath) +
                                     ": the document is protected by a password.");
            }
            if (error.kind() == WordError::Kind::PasswordRequired) {
                // Quit before prompting, so no word processor waits behind the prompt.
                session.quit();
                return nullptr;
            }
            if (error.kind() == WordError::Kind::CannotOpen) {
                throw WordStageError("Couldn't open " + quoted(sourcePath) + ": " + error.what());
            }
            throw;
        }
        control.checkpoint();

        auto work = std::make_shared<WorkFolder>(dataFolder_);
        if (options.keepsStructure()) {
            // Fields the user filled in take the place of the document's own properties, so
            // that the export writes them into the document information and the metadata alike.
            const std::pair<const char*, const std::string&> fields[] = {
                {"Title", options.title},
                {"Subject", options.subject},
                {"Author", options.author},
                {"Keywords", options.keywords}};
            for (const auto& [name, value] : fields) {
                if (!value.empty()) {
                    session.document()->putBuiltInDocumentProperty(name, value);
                }
            }
            session.document()->ExportAsFixedFormat(
                ExportSettings::forOptions(options, work->file(exportFileName)));
            control.checkpoint();
            endAfterPrinting(session);
            return work;
        }
        const std::string printFile = work->file(printFileName);
        {
            WatchGuard watch(printWatch_);
            auto arguments = printOutArguments(printFile);
            session.document()->PrintOut(arguments);
            int pending = session.application().getBackgroundPrintingStatus();
            while (pending > 0) {
                pending = session.application().getBackgroundPrintingStatus();
                control.sleepFor(printPollInterval_);
            }
        }
        control.checkpoint();

        // The PDF stage runs only once the word processor has let go of the document.
        endAfterPrinting(session);
        return work;
    } catch (const WordError& error) {
        raiseCallFailure(sourcePath, error);
    }
}

} // namespace zarta
