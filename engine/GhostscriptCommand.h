#pragma once

#include "engine/PdfVersion.h"
#include "engine/ProcessRunner.h"

#include <optional>
#include <string>
#include <vector>

namespace zarta {

struct ConversionOptions;

// The Ghostscript command of one conversion: the pdfwrite device, the PDF compatibility level,
// RC4 encryption with its passwords and permission value, the output file, and the files read
// (the print file, then the pdfmark file).
//
// arguments() is the argument vector the process is started with:
//   * the passwords are not in it: it names an argument file (passwordFileText()) instead, so
//     that no other local user can read them from the process list;
//   * ".setpdfwrite" runs only where the interpreter still defines it (current Ghostscript no
//     longer does and would stop at once);
//   * the distiller parameters file is read before the print file, the pdfmark file after;
//   * JPEG (and JPEG 2000) images of a PDF print file are re-encoded instead of passed through,
//     so the image compression chosen applies to them as well;
//   * pages are never turned: each keeps the size and orientation it was printed with, also when
//     most of its text runs sideways;
//   * "%" in the output path is doubled (Ghostscript would read it as a page-number format),
//     and a relative path is made to start with "./" so that it can never be taken for a
//     switch, an argument file or a pipe;
//   * at level 1.3, which cannot hold transparency, transparent objects are drawn opaque
//     instead of the page being flattened into one image.
//
// 128-bit RC4 needs PDF 1.4: when it applies with level 1.3, the level is raised to 1.4.
//
// A plain value type, built from the options and paths; no side effects.
class GhostscriptCommand {
public:
    struct Paths {
        std::string executable;  // the Ghostscript program, absolute
        std::string printFile;   // what the word processor printed (PostScript or PDF)
        std::string pdfmarkFile; // the document information, read after the print file
        std::string outputPath;  // the PDF to write
    };

    // The files only the real run uses, besides Paths.
    struct RunFiles {
        std::string distillerParamsFile; // read before the print file
        std::string passwordFile;        // the argument file with the password switches
    };

    GhostscriptCommand(const ConversionOptions& options, Paths paths);

    // True when the PDF is encrypted (security enabled with a non-empty owner password).
    bool encrypts() const { return ownerPassword_.has_value(); }

    // The permission value passed with the encryption.
    int permissionValue() const { return permissions_; }

    std::vector<std::string> arguments(const RunFiles& files) const;

    // The same conversion for an interpreter that is kept running and handed one job after the
    // other over its standard input:
    //   * interpreterArguments() starts it without a device and without files: the interpreter
    //     switches that arguments() carries (-dSAFER, the older PDF interpreter, opaque
    //     transparency at level 1.3), quiet, reading its standard input without a prompt, and
    //     allowed to read and write files only inside `folder` (besides its own resources);
    //   * pageDeviceText() is the PostScript that selects pdfwrite for one job before its first
    //     page: the output file (Paths::outputPath, "%" doubled), the compatibility level, the
    //     image pass-through and page-turning settings and, when the PDF is encrypted, the
    //     passwords (as hex strings: every byte reaches Ghostscript as typed), revision, key length
    //     and permissions of arguments().
    // The interpreter's switches depend only on the options and the executable, so jobs with
    // equal options can share one interpreter.
    std::vector<std::string> interpreterArguments(const std::string& folder) const;
    std::string pageDeviceText() const;

    // The content of the argument file named by arguments(): one "-sOwnerPassword=" line and,
    // when the user password is passed, one "-sUserPassword=" line, each value quoted the way
    // Ghostscript's argument-file reader gives it back exactly (space, double quote and
    // backslash included). Empty when the PDF is not encrypted. Throws std::invalid_argument
    // for a password holding a line break or a NUL character, which that reader cannot carry.
    std::string passwordFileText() const;

    // The permission value for the four "Allowed Actions" flags at an encryption level: each
    // flag set allows its action, each flag clear denies it. At 40 bits: printing, document
    // changing, content copying and form filling (annotating); at 128 bits each also governs
    // its finer action (high-quality print, assembly, form filling). Extraction for
    // accessibility is always allowed. All four set gives -4.
    static int permissionValue(const ConversionOptions& options);

    // How every Ghostscript process is started: with the caller's environment less every GS_*
    // variable (GS_OPTIONS, GS_LIB and the like would change what it does or reads), and with
    // its own temporary files in temporaryFolder.
    static ProcessRunner::Settings runSettings(const std::string& temporaryFolder);

private:
    Paths paths_;
    PdfVersion level_;
    std::optional<std::string> ownerPassword_;
    std::optional<std::string> userPassword_;
    bool highEncryption_ = false;
    int permissions_ = -4;
};

} // namespace zarta
