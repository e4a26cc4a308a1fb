#include "platform/office/OfficeDocuments.h"

#include "platform/office/OfficeDocument.h"
#include "platform/office/OfficeSession.h"
#include "platform/office/WordArguments.h"

namespace zarta {

OfficeDocuments::OfficeDocuments(std::shared_ptr<OfficeSession> session)
    : session_(std::move(session)) {}

std::unique_ptr<WordDocument> OfficeDocuments::Open(std::array<WordVariant, 12>& arguments) {
    const auto request = WordArguments::open(arguments);
    return std::make_unique<OfficeDocument>(session_, session_->open(request));
}

} // namespace zarta
