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

    struct Wanted {
        int revision;
        int bits;
        QPDF::encryption_method_e method;
        const char* name;
    };
    const Wanted wanted = [&]() -> Wanted {
        switch (expected.level) {
        case EncryptionLevel::Low:
            return {2, 40, QPDF::e_rc4, "40-bit RC4"};
        case EncryptionLevel::High:
            return {3, 128, QPDF::e_rc4, "128-bit RC4"};
        case EncryptionLevel::Aes128:
            return {4, 128, QPDF::e_aes, "128-bit AES"};
        case EncryptionLevel::Aes256:
            return {6, 256, QPDF::e_aesv3, "256-bit AES"};
        }
        return {0, 0, QPDF::e_none, "?"};
    }();
    // Before crypt filters (version 4) the standard handler knew RC4 only, and its key length
    // said the strength; AES-256 keys are always 256 bits long.
    const QPDF::encryption_method_e method =
        version < 4 ? QPDF::e_rc4 : (streams == strings ? streams : QPDF::e_unknown);
    const int bits = method == QPDF::e_aesv3 ? 256 : keyLength(*asOwner);
    if (revision != wanted.revision || bits != wanted.bits || method != wanted.method) {
        const char* methodName = method == QPDF::e_rc4     ? "RC4"
                                 : method == QPDF::e_aes   ? "AES"
                                 : method == QPDF::e_aesv3 ? "AES-256"
                                                           : "mixed methods";
        throw Mismatch("it is encrypted with revision " + std::to_string(revision) + " and " +
                       std::to_string(bits) + "-bit keys using " + methodName + ", not " +
                       wanted.name);
    }
    const int mask = definedBits(expected.level);
    if ((permissions & mask) != (expected.permissions & mask)) {
        throw Mismatch("its permission value is " + std::to_string(permissions) + ", not " +
                       std::to_string(expected.permissions));
    }
}

} // namespace zarta
