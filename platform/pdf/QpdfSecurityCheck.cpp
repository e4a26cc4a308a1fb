#include "platform/pdf/QpdfSecurityCheck.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <memory>

namespace zarta {

namespace {

using Mismatch = PdfSecurityCheck::Mismatch;

// The PDF opened with a password; nullptr when the password does not open it.
std::unique_ptr<QPDF> openWith(const std::string& path, const std::string& password) {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
        pdf->processFile(path.c_str(), password.c_str());
    } catch (const QPDFExc& error) {
        if (error.getErrorCode() == qpdf_e_password) {
            return nullptr;
        }
        throw Mismatch(std::string("it can't be read: ") + error.what());
    } catch (const std::exception& error) {
        throw Mismatch(std::string("it can't be read: ") + error.what());
    }
    return pdf;
}

int keyLength(QPDF& pdf) {
    auto encrypt = pdf.getTrailer().getKey("/Encrypt");
    auto length = encrypt.isDictionary() ? encrypt.getKey("/Length") : QPDFObjectHandle();
    // The standard handler's key length defaults to 40 bits.
    return length.isInteger() ? length.getIntValueAsInt() : 40;
}

} // namespace

void QpdfSecurityCheck::verify(const std::string& path, const Expectation& expected) const {
    const auto asOwner = openWith(path, expected.ownerPassword);
    if (!asOwner) {
        throw Mismatch("the Owner Password doesn't open it");
    }
    int revision = 0;
    int permissions = 0;
    int version = 0;
    QPDF::encryption_method_e streams = QPDF::e_none;
    QPDF::encryption_method_e strings = QPDF::e_none;
    QPDF::encryption_method_e files = QPDF::e_none;
    if (!asOwner->isEncrypted(revision, permissions, version, streams, strings, files)) {
        throw Mismatch("it is not encrypted");
    }
    if (!asOwner->ownerPasswordMatched()) {
        throw Mismatch("the Owner Password doesn't give the owner's rights");
    }

    const bool needsUserPassword = expected.userPassword && !expected.userPassword->empty();
    const bool opensWithout = openWith(path, "") != nullptr;
    if (needsUserPassword && opensWithout) {
        throw Mismatch("it opens without the User Password");
    }
    if (!needsUserPassword && !opensWithout) {
        throw Mismatch("it doesn't open without a password");
    }
    if (expected.userPassword) {
        const auto asUser = openWith(path, *expected.userPassword);
        if (!asUser || !asUser->userPasswordMatched()) {
            throw Mismatch("the User Password doesn't open it");
        }
        if (asUser->ownerPasswordMatched()) {
            throw Mismatch("the User Password gives the owner's rights");
        }
    }

    const bool high = expected.level == EncryptionLevel::High;
    const int wantedRevision = high ? 3 : 2;
    const int wantedBits = high ? 128 : 40;
    const int bits = keyLength(*asOwner);
    // Before crypt filters (version 4) the standard handler knew RC4 only.
    const bool rc4 = version < 4 || (streams == QPDF::e_rc4 && strings == QPDF::e_rc4);
    if (revision != wantedRevision || bits != wantedBits || !rc4) {
        throw Mismatch("it is encrypted with revision " + std::to_string(revision) + " and " +
                       std::to_string(bits) + "-bit keys" + (rc4 ? "" : " not using RC4") +
                       ", not " + std::to_string(wantedBits) + "-bit RC4");
    }
    const int mask = definedBits(expected.level);
    if ((permissions & mask) != (expected.permissions & mask)) {
        throw Mismatch("its permission value is " + std::to_string(permissions) + ", not " +
                       std::to_string(expected.permissions));
    }
}

} // namespace zarta
