#pragma once

#include "app/cli/Shard.h"
#include "engine/ConversionOptions.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zarta {

// The command line of zarta-convert: the Word files (and folders of them) to convert, the
// lists of more, the destination folder, the report, the
// same conversion options as the desktop program's option pages, and how to answer the
// questions a batch may raise when no one is at the terminal.
class CommandLine {
public:
    enum class Overwrite { Ask, Always, Never };

    struct Settings {
        std::vector<std::string> files;
        std::string outputFolder = "out";
        ConversionOptions options;
        Overwrite overwrite = Overwrite::Ask;
        // The password of protected documents, read from --document-password-file; empty when
        // none was given (then the terminal asks, if there is one).
        std::string documentPassword;
        bool hasDocumentPassword = false;
        // What the user should hear of although the command line can run (a password file
        // other users can read), one line each.
        std::vector<std::string> warnings;
        // Refuse to convert where the word processor cannot be cut off from the network
        // (--require-isolation); otherwise the run only warns.
        bool requireIsolation = false;
        // Convert in this process, not with the user's conversion service (--no-service).
        bool noService = false;
        // Print what the conversion service is doing and convert nothing (--service-status).
        bool serviceStatus = false;
        // Folders named are walked into their subfolders too (-r, --recursive).
        bool recursive = false;
        // More paths are read from this list (--files-from; "-": standard input), separated by
        // NULs instead of line ends with -0.
        std::optional<std::string> filesFrom;
        bool nulSeparated = false;
        // Each file's outcome is written to this file as JSON lines (--report).
        std::optional<std::string> report;
        // The number of offices side by side (--offices, 1 to 16); 0: as the machine holds.
        int offices = 0;
        // Only what went wrong is shown (-q, --quiet).
        bool quiet = false;
        // Only this share of the files is converted (--shard K/N).
        std::optional<Shard> shard;
        bool help = false;
        bool version = false;
    };

    // Raised for a command line that cannot be run as given; what() says why.
    class UsageError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // arguments: everything after the program name. Password files are read here. Throws
    // UsageError.
    static Settings parse(const std::vector<std::string>& arguments);

    static std::string usage(const std::string& program);

    // What --version prints: the converter's name, the product's name and its version.
    static std::string version();
};

} // namespace zarta
