#include "platform/office/LoadDiagnosis.h"

#include "engine/Messages.h"

#include <algorithm>

namespace zarta {

namespace {

// The office's error codes: a subsystem area, an error class and a number, plus a warning flag
// and a dynamic part that say nothing about the cause.
constexpr std::uint32_t warningFlag = 0x80000000u;
constexpr std::uint32_t causeMask = 0x03FFFFFFu;

constexpr std::uint32_t officeError(std::uint32_t area, std::uint32_t errorClass,
                                    std::uint32_t number) {
    return (area << 13) | (errorClass << 8) | number;
}

enum Area : std::uint32_t { io = 0, framework = 2, drawing = 8 };
enum Class : std::uint32_t {
    none = 0,
    abort = 1,
    notExists = 3,
    access = 5,
    read = 11,
    format = 15
};

constexpr std::uint32_t wrongPasswordImport = officeError(drawing, none, 15);
constexpr std::uint32_t wrongPasswordPackage = officeError(framework, read, 11);
constexpr std::uint32_t unsupportedEncryption = officeError(drawing, read, 16);
constexpr std::uint32_t brokenPackageError = officeError(io, format, 38);
constexpr std::uint32_t aborted = officeError(io, abort, 27);

std::uint32_t errorClassOf(std::uint32_t code) {
    return (code >> 8) & 0x1F;
}

} // namespace

void LoadDiagnosis::encryptedPackage() {
    std::lock_guard lock(mutex_);
    encryptedPackage_ = true;
}

void LoadDiagnosis::passwordRequested() {
    std::lock_guard lock(mutex_);
    passwordRequested_ = true;
}

void LoadDiagnosis::brokenPackage() {
    std::lock_guard lock(mutex_);
    brokenPackage_ = true;
}

void LoadDiagnosis::errorCode(std::uint32_t code) {
    std::lock_guard lock(mutex_);
    codes_.push_back(code);
}

bool LoadDiagnosis::askedForPassword() const {
    std::lock_guard lock(mutex_);
    return passwordRequested_ || std::any_of(codes_.begin(), codes_.end(), [](std::uint32_t code) {
               const std::uint32_t cause = code & causeMask;
               return (code & warningFlag) == 0 &&
                      (cause == wrongPasswordImport || cause == wrongPasswordPackage);
           });
}

WordError LoadDiagnosis::failure() const {
    using Kind = WordError::Kind;
    if (askedForPassword()) {
        return WordError(Kind::PasswordRequired, "the document is protected by a password");
    }
    std::lock_guard lock(mutex_);
    // The office opens an encrypted package it can decrypt only after asking for its password;
    // one it gave up on before asking is in an encryption it does not know. Whatever else it
    // reported follows from that (it cannot read the package's contents).
    const WordError unknownEncryption(Kind::CannotOpen,
                                      std::string(Messages::unsupportedEncryption));
    if (brokenPackage_) {
        return encryptedPackage_ ? unknownEncryption
                                 : WordError(Kind::CannotOpen, std::string(Messages::fileDamaged));
    }
    // The first error that says something about the cause; warnings and the abort that
    // follows a refused question say nothing.
    for (std::uint32_t code : codes_) {
        const std::uint32_t cause = code & causeMask;
        if ((code & warningFlag) != 0 || cause == 0 || cause == aborted) {
            continue;
        }
        if (cause == unsupportedEncryption) {
            return unknownEncryption;
        }
        switch (errorClassOf(cause)) {
        case notExists:
            return WordError(Kind::CannotOpen, std::string(Messages::fileMissing));
        case access:
            return WordError(Kind::CannotOpen, "the file cannot be read (permission denied)");
        default:
            break;
        }
        if (encryptedPackage_) {
            return unknownEncryption;
        }
        if (cause == brokenPackageError) {
            return WordError(Kind::CannotOpen, std::string(Messages::fileDamaged));
        }
        return WordError(
            Kind::CannotOpen,
            "the file is damaged or is not a Word document the word processor can read");
    }
    return encryptedPackage_ ? unknownEncryption
                             : WordError(Kind::CannotOpen, "the word processor could not read it");
}

} // namespace zarta
