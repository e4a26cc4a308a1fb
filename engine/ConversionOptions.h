#pragma once

#include "engine/ConversionRoute.h"
#include "engine/DocumentCompression.h"
#include "engine/EncryptionLevel.h"
#include "engine/ImageCompression.h"
#include "engine/JpegQuality.h"
#include "engine/PdfVersion.h"

#include <string>

namespace zarta {

// Every setting one batch consumes: document information, PDF security and output settings.
//
// Text is UTF-8, held exactly as the user entered it: no trimming, no case folding, no
// validation. Multi-line keywords keep their line breaks as typed.
//
// The enable flags never clear the values they govern; consumers decide by the flags alone
// through the rule functions below.
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

    // Output settings.
    DocumentCompression documentCompression = DocumentCompression::Flate;
    ImageCompression imagesCompression = ImageCompression::Flate;
    JpegQuality jpegQuality = JpegQuality::Minimum;
    PdfVersion pdfVersion = PdfVersion::V1_3;

    // The route to the PDF, and with the structure-keeping route whether the PDF is tagged
    // (a structure tree readers and assistive technology use).
    ConversionRoute route = ConversionRoute::Print;
    bool tagged = false;

    // True when at least one document-information field is non-empty; each non-empty field
    // contributes its own entry.
    bool hasDocumentInfo() const;

    // Encryption applies only with security enabled, the owner password enabled and a
    // non-empty owner password; otherwise every other security field is ignored.
    bool securityApplies() const;

    // The user password is passed whenever security applies and its box is checked, even
    // when the password itself is empty.
    bool passesUserPassword() const;

    // The structure-keeping route is taken when chosen, for a tagged PDF and for every PDF/A
    // version, which only that route writes.
    bool keepsStructure() const;

    bool operator==(const ConversionOptions&) const = default;
};

} // namespace zarta
