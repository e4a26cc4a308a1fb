#include "engine/ConversionOptions.h"

namespace zarta {

bool ConversionOptions::hasDocumentInfo() const {
    return !title.empty() || !author.empty() || !subject.empty() || !keywords.empty();
}

bool ConversionOptions::securityApplies() const {
    return securityEnabled && ownerPasswordEnabled && !ownerPassword.empty();
}

bool ConversionOptions::passesUserPassword() const {
    return securityApplies() && userPasswordEnabled;
}

bool ConversionOptions::keepsStructure() const {
    return route == ConversionRoute::KeepStructure || tagged || isPdfA(pdfVersion);
}

} // namespace zarta
