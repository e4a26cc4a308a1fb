#include "engine/PasswordRules.h"

#include "engine/ConversionOptions.h"
#include "engine/OptionTable.h"

#include <cstdint>

namespace zarta {

namespace {

// The padding of the PDF's standard security handler.
constexpr unsigned char padding[PasswordRules::keptBytes] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

std::optional<std::string> unusable(const std::string& field, const std::string& password,
                                    std::size_t keptBytes) {
    if (password.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        return "The " + field +
               " contains a line break or a NUL character, which the PDF's encryption can't "
               "carry. Please enter it again without them.";
    }
    if (!PasswordRules::isValidUtf8(password)) {
        return "The " + field +
               " is not valid UTF-8 text, so the PDF's encryption would not keep it as "
               "entered (the PDF might open without it). Please enter it again.";
    }
    if (password.size() > keptBytes) {
        return "The " + field + " is " + std::to_string(password.size()) +
               " bytes long; the PDF's encryption keeps only the first " +
               std::to_string(keptBytes) +
               " bytes, so anyone knowing those could open or change the PDF. Please enter a "
               "shorter one.";
    }
    return std::nullopt;
}

} // namespace

std::optional<PasswordRules::Problem> PasswordRules::check(const ConversionOptions& options) {
    using Field = Problem::Field;
    if (!options.securityApplies()) {
        return std::nullopt;
    }
    if (isPdfA(options.pdfVersion)) {
        return Problem{
            Field::OwnerPassword,
            "PDF/A admits no encryption, so the PDF Version " +
                std::string(
                    OptionTable::choiceFor(OptionTable::pdfVersion, options.pdfVersion).text) +
                " and an Owner Password can't be used together. Please clear the "
                "passwords or choose another PDF Version."};
    }
    const std::size_t kept = keptBytesFor(options.encryptionLevel);
    if (auto owner = unusable("Owner Password", options.ownerPassword, kept)) {
        return Problem{Field::OwnerPassword, *owner};
    }
    if (!options.passesUserPassword()) {
        return std::nullopt;
    }
    if (auto user = unusable("User Password", options.userPassword, kept)) {
        return Problem{Field::UserPassword, *user};
    }
    const bool same = options.encryptionLevel == EncryptionLevel::Aes256
                          ? options.ownerPassword == options.userPassword
                          : paddedKey(options.ownerPassword) == paddedKey(options.userPassword);
    if (same) {
        return Problem{
            Field::OwnerPassword,
            "The Owner Password and the User Password are the same, so everyone who can open "
            "the PDF with the User Password could also change its security and the allowed "
            "actions would bind no one. Please choose a different Owner Password."};
    }
    return std::nullopt;
}

std::size_t PasswordRules::keptBytesFor(EncryptionLevel level) {
    return level == EncryptionLevel::Aes256 ? aes256KeptBytes : keptBytes;
}

std::optional<std::string> PasswordRules::problem(const ConversionOptions& options) {
    if (auto found = check(options)) {
        return found->message;
    }
    return std::nullopt;
}

bool PasswordRules::isValidUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t value = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
        const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
        if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string PasswordRules::paddedKey(const std::string& password) {
    std::string key = password.substr(0, keptBytes);
    for (std::size_t i = 0; key.size() < keptBytes; ++i) {
        key += static_cast<char>(padding[i]);
    }
    return key;
}

} // namespace zarta
