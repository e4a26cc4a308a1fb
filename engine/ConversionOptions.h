#pragma once

#include "engine/EncryptionLevel.h"

#include <string>

namespace zarta {

// Every setting one batch consumes: document information, PDF security and output settings.
//
// Text is UTF-8, held exactly as the user entered it: no trimming, no case folding, no
// validation. Multi-line keywords keep their line breaks as typed.
//
// The enable flags never clear the values they govern; consumers decide by the flags alone
// through the rule functions below. The advanced fields hold the list texts of OptionLists,
// compared exactly.
//
// A record is built once per batch on the user-interface thread and is read-only afterwards,
// so any thread may read it concurrently.
struct ConversionOptions {
    // Document information.
    std::string title;
    std::string subject;
    std::string author;
    std::string keywords;

    // Security.
    bool securityEnabled = false;
    bool userPasswordEnabled = true;
    std::string userPassword;
    bool ownerPasswordEnabled = true;
    std::string ownerPassword;
    bool contentCopying = false;
    bool formFilling = false;
    bool documentChanging = false;
    bool printing = false;
    EncryptionLevel encryptionLevel = EncryptionLevel::Low;

    // Output settings: texts of the "Advanced" page's lists.
    std::string documentCompression = "Flate";
    std::string imagesCompression = "Flate";
    std::string jpegQuality = "Minimum";
    std::string pdfVersion = "V1.3(Acrobat 4.xx)";

    // True when at least one document-information field is non-empty; each non-empty field
    // contributes its own entry.
    bool hasDocumentInfo() const;

    // Encryption applies only with security enabled, the owner password enabled and a
    // non-empty owner password; otherwise every other security field is ignored.
    bool securityApplies() const;

    // The user password is passed whenever security applies and its box is checked, even
    // when the password itself is empty.
    bool passesUserPassword() const;

    // The PDF compatibility level named by pdfVersion: for each digit d from 3 to 5, when the
    // first occurrence of d in the text is at position 3, the level is "1.d". "V1.3(Acrobat
    // 4.xx)" gives "1.3"; a text that matches no digit gives "".
    std::string compatibilityLevel() const;

    bool operator==(const ConversionOptions&) const = default;
};

} // namespace zarta
