#include "platform/office/OfficeDocument.h"

#include "platform/office/OfficeSession.h"
#include "platform/office/WordArguments.h"

namespace zarta {

OfficeDocument::OfficeDocument(std::shared_ptr<OfficeSession> session,
                               css::uno::Reference<css::lang::XComponent> document)
    : session_(std::move(session)), document_(std::move(document)) {}

OfficeDocument::~OfficeDocument() {
    if (!closed_) {
        try {
            session_->close(document_);
        } catch (...) {
            // Quitting the session closes it, or the next session's clean start does.
        }
    }
}

void OfficeDocument::PrintOut(std::array<WordVariant, 18>& arguments) {
    session_->print(document_, WordArguments::printOut(arguments));
}

void OfficeDocument::putBuiltInDocumentProperty(const std::string& name, const std::string& value) {
    session_->setProperty(document_, name, value);
}

void OfficeDocument::ExportAsFixedFormat(const FixedFormatExport& settings) {
    session_->exportPdf(document_, settings);
}

void OfficeDocument::Close(std::array<WordVariant, 3>& arguments) {
    WordArguments::closeOrQuit(arguments, "Close");
    closed_ = true;
    session_->close(document_);
}

} // namespace zarta
