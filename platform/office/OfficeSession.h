#pragma once

#include "engine/FixedFormatExport.h"
#include "platform/office/OfficeKeeper.h"
#include "platform/office/WordArguments.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zarta {

class DocumentAlias;

// What one Word automation session does with the office it leased: the state behind an
// Application, its Documents and their Document objects (which share it).
//
// Used on the batch worker's thread only. Every member but quit() may throw WordError, and
// BatchAbandoned when the batch is abandoned during an office call.
class OfficeSession {
public:
    OfficeSession(std::shared_ptr<OfficeKeeper> keeper, OfficeKeeper::Lease lease,
                  BatchControl& control);
    OfficeSession(const OfficeSession&) = delete;
    OfficeSession& operator=(const OfficeSession&) = delete;
    ~OfficeSession(); // quits

    // The session's windows stay hidden: showing them is refused.
    void setVisible(bool visible);
    // Only the printer the profile defines can be chosen.
    void setPrinter(const std::string& name);

    // Opens a Word document read-only and hidden with the import filter its content calls for,
    // never running its macros or fetching what it links to.
    css::uno::Reference<css::lang::XComponent> open(const WordArguments::OpenRequest& request);

    // Prints the whole document through the session's printer into the output file, replacing
    // it; returns once the file is complete. Every page is printed at the size and orientation
    // the office lays it out with, whatever the document's view has selected. The print is then
    // read back and compared with the office's layout: a print with other pages (more, fewer, or
    // one of another size or orientation) fails with WordError PrintMismatch. A failed print
    // leaves no output file behind.
    void print(const css::uno::Reference<css::lang::XComponent>& document,
               const WordArguments::PrintRequest& request);

    int printJobsRunning() const { return printJobsRunning_; }

    // Closes a document without saving.
    void close(const css::uno::Reference<css::lang::XComponent>& document);

    // Sets one of the document's own properties ("Title", "Subject", "Author", "Keywords") in
    // the open document; nothing is saved. Keywords are kept as one text.
    void setProperty(const css::uno::Reference<css::lang::XComponent>& document,
                     const std::string& name, const std::string& value);

    // Writes the document as a PDF with the office's own export, as the settings say, into
    // their output file, replacing it; returns once the file is complete. A failed export
    // leaves no output file behind.
    void exportPdf(const css::uno::Reference<css::lang::XComponent>& document,
                   const FixedFormatExport& settings);

    // Closes whatever is still open and ends the session. Never throws; later calls fail.
    void quit() noexcept;

private:
    void ensureActive(const char* member) const;
    void closeNow(const css::uno::Reference<css::lang::XComponent>& document);

    std::shared_ptr<OfficeKeeper> keeper_;
    OfficeKeeper::Lease lease_;
    BatchControl& control_;
    std::string printerName_;
    bool quit_ = false;
    int printJobsRunning_ = 0;
    std::vector<css::uno::Reference<css::lang::XComponent>> openDocuments_;
    // The names the open documents were opened by, where they needed one of ours.
    std::vector<
        std::pair<css::uno::Reference<css::lang::XComponent>, std::unique_ptr<DocumentAlias>>>
        aliases_;
};

} // namespace zarta
