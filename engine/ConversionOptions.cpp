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

std::string ConversionOptions::compatibilityLevel() const {
    std::string level;
    // Later digits win when several match, as each match overwrites the previous one; with
    // position 3 fixed only one digit can ever match.
    for (char d = '3'; d <= '5'; ++d) {
        if (pdfVersion.find(d) == 3) {
            level = std::string("1.") + d;
        }
    }
    return level;
}

} // namespace zarta
