#include "platform/office/OfficeApplication.h"

#include "engine/WordError.h"
#include "platform/office/OfficeDocuments.h"
#include "platform/office/OfficeSession.h"
#include "platform/office/WordArguments.h"

namespace zarta {

OfficeApplication::OfficeApplication(std::shared_ptr<OfficeSession> session)
    : session_(std::move(session)) {}

OfficeApplication::~OfficeApplication() {
    session_->quit();
}

void OfficeApplication::putVisible(const WordVariant& visible) {
    if (visible.type() == WordVariant::Type::Text || visible.isMissing()) {
        throw WordError(WordError::Kind::CallFailed,
                        "Visible: " + visible.describe() + " is not a True/False value");
    }
    session_->setVisible(visible.asBool());
}

void OfficeApplication::putActivePrinter(const WordVariant& printerName) {
    if (printerName.type() != WordVariant::Type::Text) {
        throw WordError(WordError::Kind::CallFailed,
                        "ActivePrinter: " + printerName.describe() + " is not a printer name");
    }
    session_->setPrinter(printerName.asText());
}

std::unique_ptr<WordDocuments> OfficeApplication::getDocuments() {
    return std::make_unique<OfficeDocuments>(session_);
}

int OfficeApplication::getBackgroundPrintingStatus() {
    return session_->printJobsRunning();
}

void OfficeApplication::Quit(std::array<WordVariant, 3>& arguments) {
    WordArguments::closeOrQuit(arguments, "Quit");
    session_->quit();
}

} // namespace zarta
