#include "engine/GhostscriptCommand.h"

#include "engine/ConversionOptions.h"

#include <initializer_list>
#include <stdexcept>
#include <string_view>

namespace zarta {

namespace {

// A path as a file operand that Ghostscript can only take for a file name.
std::string asFileOperand(const std::string& path) {
    if (path.starts_with('/')) {
        return path;
    }
    return "./" + path;
}

// The -dCompatibilityLevel value of a PDF version.
std::string_view levelText(PdfVersion version) {
    switch (version) {
    case PdfVersion::V1_3:
        return "1.3";
    case PdfVersion::V1_4:
        return "1.4";
    case PdfVersion::V1_5:
        return "1.5";
    case PdfVersion::V1_6:
        return "1.6";
    case PdfVersion::PdfA1b:
    case PdfVersion::PdfA2b:
    case PdfVersion::PdfA3b:
        break;
    }
    // PDF/A is written by the structure-keeping route, never by Ghostscript.
    throw std::invalid_argument("Ghostscript does not write this PDF version");
}

std::string withPercentDoubled(const std::string& path) {
    std::string result;
    for (const char c : path) {
        result += c;
        if (c == '%') {
            result += '%';
        }
    }
    return result;
}

// One "-sName=value" line of an argument file. Within double quotes Ghostscript's reader takes
// every character as it is except two: \" stands for a double quote, and a backslash before the
// closing quote would escape it. A trailing backslash is therefore followed by a second one and
// a line feed: the first stays a backslash, the second with the line feed is a line
// continuation the reader drops.
std::string argumentFileLine(const std::string& name, const std::string& value) {
    if (value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        throw std::invalid_argument("a password can't contain a line break");
    }
    std::string line = "-s" + name + "=\"";
    for (const char c : value) {
        if (c == '"') {
            line += '\\';
        }
        line += c;
    }
    if (value.ends_with('\\')) {
        line += "\\\n";
    }
    return line + "\"\n";
}

// The bytes as a PostScript hex string, which carries every byte unchanged.
std::string hexString(std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text = "<";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0xF];
    }
    return text + ">";
}

} // namespace

GhostscriptCommand::GhostscriptCommand(const ConversionOptions& options, Paths paths)
    : paths_(std::move(paths)), level_(options.pdfVersion) {
    if (!options.securityApplies()) {
        return;
    }
    ownerPassword_ = options.ownerPassword;
    if (options.passesUserPassword()) {
        userPassword_ = options.userPassword;
    }
    highEncryption_ = options.encryptionLevel == EncryptionLevel::High;
    permissions_ = permissionValue(options);
    if (highEncryption_ && level_ == PdfVersion::V1_3) {
        level_ = PdfVersion::V1_4;
    }
}

int GhostscriptCommand::permissionValue(const ConversionOptions& options) {
    // PDF permission bits, numbered from 1 as the PDF format does.
    constexpr auto bit = [](int n) { return 1 << (n - 1); };
    // Every level but 40-bit RC4 knows the refined bits.
    const bool high = options.encryptionLevel != EncryptionLevel::Low;

    // Every action allowed: all bits set but the two lowest, which must be clear.
    int value = -4;
    const auto allowOnly = [&](bool allowed, std::initializer_list<int> bits) {
        if (!allowed) {
            for (const int n : bits) {
                value &= ~bit(n);
            }
        }
    };
    // 40-bit security knows print (3), modify (4), copy (5) and annotate (6). 128-bit
    // security refines them: fill forms (9) goes with annotating, assemble (11) with
    // changing, high-quality print (12) with printing. Extraction for accessibility (10)
    // stays allowed so that screen readers can read every protected PDF.
    allowOnly(options.printing, {3});
    allowOnly(options.documentChanging, {4});
    allowOnly(options.contentCopying, {5});
    allowOnly(options.formFilling, {6});
    if (high) {
        allowOnly(options.formFilling, {9});
        allowOnly(options.documentChanging, {11});
        allowOnly(options.printing, {12});
    }
    return value;
}

std::vector<std::string> GhostscriptCommand::arguments(const RunFiles& files) const {
    std::vector<std::string> args{paths_.executable, "-dSAFER", "-dNOPAUSE", "-dBATCH",
                                  "-sDEVICE=pdfwrite"};
    args.push_back("-dCompatibilityLevel=" + std::string(levelText(level_)));
    args.emplace_back("-dPassThroughJPEGImages=false");
    args.emplace_back("-dPassThroughJPXImages=false");
    // pdfwrite turns a page whose text mostly runs sideways (a table set on its side) into a
    // landscape page; every page keeps the orientation the document gave it.
    args.emplace_back("-dAutoRotatePages=/None");
    // Ghostscript 10.0's new PDF interpreter garbles the text mapping of ligatures ("fi" comes
    // back as two CJK characters from the PDF), so a PDF print file goes through the older
    // interpreter where this Ghostscript still has it; later versions ignore the switch.
    args.emplace_back("-dNEWPDF=false");
    // PDF 1.3 has no transparency, and pdfwrite meets a single transparent object at that
    // level by rendering the whole page into one image, losing every word on it. Drawing
    // transparent objects opaque instead keeps the page's text and vectors.
    if (level_ == PdfVersion::V1_3) {
        args.emplace_back("-dNOTRANSPARENCY");
    }
    if (ownerPassword_) {
        args.push_back("@" + asFileOperand(files.passwordFile));
        args.emplace_back(highEncryption_ ? "-dEncryptionR=3" : "-dEncryptionR=2");
        args.emplace_back(highEncryption_ ? "-dKeyLength=128" : "-dKeyLength=40");
        args.push_back("-dPermissions=" + std::to_string(permissions_));
    }
    args.push_back("-sOutputFile=" + withPercentDoubled(asFileOperand(paths_.outputPath)));
    args.emplace_back("-c");
    args.emplace_back("/.setpdfwrite where { pop .setpdfwrite } if");
    args.emplace_back("-f");
    args.push_back(asFileOperand(files.distillerParamsFile));
    args.push_back(asFileOperand(paths_.printFile));
    args.push_back(asFileOperand(paths_.pdfmarkFile));
    return args;
}

std::vector<std::string> GhostscriptCommand::interpreterArguments(const std::string& folder) const {
    std::vector<std::string> args{paths_.executable, "-q",         "-dSAFER",       "-dNOPAUSE",
                                  "-dNODISPLAY",     "-dNOPROMPT", "-dNEWPDF=false"};
    if (level_ == PdfVersion::V1_3) {
        args.emplace_back("-dNOTRANSPARENCY");
    }
    args.push_back("--permit-file-all=" + folder + "/");
    return args;
}

std::string GhostscriptCommand::pageDeviceText() const {
    std::string text = "<< /OutputDevice /pdfwrite /OutputFile " +
                       hexString(withPercentDoubled(asFileOperand(paths_.outputPath))) +
                       " /CompatibilityLevel " + std::string(levelText(level_)) +
                       " /PassThroughJPEGImages false /PassThroughJPXImages false"
                       " /AutoRotatePages /None";
    if (ownerPassword_) {
        text += " /OwnerPassword " + hexString(*ownerPassword_);
        if (userPassword_) {
            text += " /UserPassword " + hexString(*userPassword_);
        }
        text +=
            highEncryption_ ? " /EncryptionR 3 /KeyLength 128" : " /EncryptionR 2 /KeyLength 40";
        text += " /Permissions " + std::to_string(permissions_);
    }
    return text + " >> setpagedevice";
}

std::string GhostscriptCommand::passwordFileText() const {
    if (!ownerPassword_) {
        return {};
    }
    std::string text = argumentFileLine("OwnerPassword", *ownerPassword_);
    if (userPassword_) {
        text += argumentFileLine("UserPassword", *userPassword_);
    }
    return text;
}

ProcessRunner::Settings GhostscriptCommand::runSettings(const std::string& temporaryFolder) {
    ProcessRunner::Settings settings;
    settings.environment = {"TMPDIR=" + temporaryFolder};
    settings.removedPrefixes = {"GS_"};
    return settings;
}

} // namespace zarta
