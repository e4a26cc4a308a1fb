#include "app/cli/CommandLine.h"

#include "engine/OptionTable.h"
#include "engine/ProductNames.h"
#include "platform/office/OfficeCount.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace zarta {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The words of a setting's choices, each as `quote` decorates it, separated by `separator`.
template <typename Choices, typename Quote>
std::string wordList(const Choices& choices, std::string_view separator, Quote quote) {
    std::string list;
    for (const auto& choice : choices) {
        list += (list.empty() ? "" : std::string(separator)) + quote(std::string(choice.word));
    }
    return list;
}

template <typename Choices>
std::string wordList(const Choices& choices, std::string_view separator) {
    return wordList(choices, separator, [](const std::string& word) { return word; });
}

// The value a word names, compared without regard to case.
template <typename Value, size_t N>
Value wordValue(const std::string& option, const std::string& value,
                const std::array<OptionTable::Choice<Value>, N>& choices) {
    if (const auto found = OptionTable::valueOfWord(choices, value)) {
        return *found;
    }
    throw CommandLine::UsageError(option + ": unknown value \"" + value +
                                  "\" (one of: " + wordList(choices, ", ") + ")");
}

// A version may also be written with a leading "V" ("V1.4"), as the option page's list shows it.
PdfVersion versionValue(const std::string& option, const std::string& value) {
    if (!value.empty() && (value[0] == 'V' || value[0] == 'v')) {
        if (const auto found = OptionTable::valueOfWord(OptionTable::pdfVersion, value.substr(1))) {
            return *found;
        }
    }
    return wordValue(option, value, OptionTable::pdfVersion);
}

// The first line of a file, without its line end: how scripts hand over a password without
// putting it on a command line every local user can read. A file other users can read too
// defeats that purpose, which earns a warning (the password is still used: refusing would only
// break the script, not take the password back).
std::string passwordFrom(const std::string& option, const std::string& path,
                         std::vector<std::string>& warnings) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw CommandLine::UsageError(option + ": can't read \"" + path + "\"");
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && (info.st_mode & 044) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        warnings.push_back("warning: " + option + ": \"" + path + "\" (mode " + mode +
                           ") can be read by other users, who can learn the password from it; "
                           "make it private (chmod 600)");
    }
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

void setPermissions(ConversionOptions& options, const std::string& list) {
    std::stringstream items(list);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::string name = lower(item);
        if (name == "none" || name.empty()) {
            continue;
        }
        const auto permission =
            std::find_if(OptionTable::permissions.begin(), OptionTable::permissions.end(),
                         [&](const OptionTable::Permission& p) { return p.word == name; });
        if (permission == OptionTable::permissions.end()) {
            throw CommandLine::UsageError("--allow: unknown action \"" + item + "\" (" +
                                          wordList(OptionTable::permissions, ", ") + ")");
        }
        options.*permission->allowed = true;
    }
}

// The help's line for an option: its synopsis, then its explanation from `column` on (or three
// blanks further when the synopsis is longer).
std::string helpLine(const std::string& synopsis, const std::string& explanation, size_t column) {
    return synopsis + std::string(std::max(column, synopsis.size() + 3) - synopsis.size(), ' ') +
           explanation + "\n";
}

// "(default: WORD)" for the choice a fresh ConversionOptions holds.
template <typename Value, size_t N>
std::string defaultWord(const std::array<OptionTable::Choice<Value>, N>& choices, Value value) {
    return "(default: " + std::string(OptionTable::choiceFor(choices, value).word) + ")";
}

// A whole number of offices, 1 to what a batch may run; digits only.
int officesValue(const std::string& option, const std::string& value) {
    const bool digits = !value.empty() && value.size() <= 3 &&
                        std::all_of(value.begin(), value.end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; });
    const int offices = digits ? std::stoi(value) : 0;
    if (offices < 1 || offices > OfficeCount::maxOffices) {
        throw CommandLine::UsageError(option + ": \"" + value + "\" is not a number of offices " +
                                      "from 1 to " + std::to_string(OfficeCount::maxOffices));
    }
    return offices;
}

} // namespace

CommandLine::Settings CommandLine::parse(const std::vector<std::string>& arguments) {
    Settings settings;
    ConversionOptions& o = settings.options;
    bool ownerPassword = false;
    bool userPassword = false;
    bool securityDetail = false;

    using Setter = std::function<void(const std::string&, const std::string&)>;
    const std::map<std::string, Setter> withValue{
        {"--out", [&](auto&, auto& v) { settings.outputFolder = v; }},
        {"--title", [&](auto&, auto& v) { o.title = v; }},
        {"--subject", [&](auto&, auto& v) { o.subject = v; }},
        {"--author", [&](auto&, auto& v) { o.author = v; }},
        {"--keywords", [&](auto&, auto& v) { o.keywords = v; }},
        {"--owner-password",
         [&](auto&, auto& v) {
             o.ownerPassword = v;
             ownerPassword = true;
         }},
        {"--owner-password-file",
         [&](auto& name, auto& v) {
             o.ownerPassword = passwordFrom(name, v, settings.warnings);
             ownerPassword = true;
         }},
        {"--user-password",
         [&](auto&, auto& v) {
             o.userPassword = v;
             userPassword = true;
         }},
        {"--user-password-file",
         [&](auto& name, auto& v) {
             o.userPassword = passwordFrom(name, v, settings.warnings);
             userPassword = true;
         }},
        {"--document-password-file",
         [&](auto& name, auto& v) {
             settings.documentPassword = passwordFrom(name, v, settings.warnings);
             settings.hasDocumentPassword = true;
         }},
        {"--encryption",
         [&](auto& name, auto& v) {
             const auto level = OptionTable::valueOfWord(OptionTable::encryptionLevel, v);
             if (!level) {
                 throw UsageError(name + ": " +
                                  wordList(OptionTable::encryptionLevel, " or ",
                                           [](const std::string& w) { return '"' + w + '"'; }) +
                                  ", not \"" + v + "\"");
             }
             o.encryptionLevel = *level;
             securityDetail = true;
         }},
        {"--allow",
         [&](auto&, auto& v) {
             setPermissions(o, v);
             securityDetail = true;
         }},
        {"--compression",
         [&](auto& name, auto& v) {
             o.documentCompression = wordValue(name, v, OptionTable::documentCompression);
         }},
        {"--images",
         [&](auto& name, auto& v) {
             o.imagesCompression = wordValue(name, v, OptionTable::imagesCompression);
         }},
        {"--jpeg-quality",
         [&](auto& name, auto& v) {
             o.jpegQuality = wordValue(name, v, OptionTable::jpegQuality);
         }},
        {"--pdf-version", [&](auto& name, auto& v) { o.pdfVersion = versionValue(name, v); }},
        {"--files-from", [&](auto&, auto& v) { settings.filesFrom = v; }},
        {"--report", [&](auto&, auto& v) { settings.report = v; }},
        {"--offices", [&](auto& name, auto& v) { settings.offices = officesValue(name, v); }},
        {"--shard",
         [&](auto& name, auto& v) {
             settings.shard = Shard::parse(v);
             if (!settings.shard) {
                 throw UsageError(name + ": \"" + v +
                                  "\" is not K/N with whole numbers 1 <= K <= N (share K of N)");
             }
         }},
    };

    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.rfind("-", 0) != 0) {
            settings.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            settings.help = true;
        } else if (argument == "--version") {
            settings.version = true;
        } else if (argument == "--overwrite" || argument == "--no-overwrite") {
            const Overwrite chosen =
                argument == "--overwrite" ? Overwrite::Always : Overwrite::Never;
            if (settings.overwrite != Overwrite::Ask && settings.overwrite != chosen) {
                throw UsageError("--overwrite and --no-overwrite contradict each other");
            }
            settings.overwrite = chosen;
        } else if (argument == "--require-isolation") {
            settings.requireIsolation = true;
        } else if (argument == "--keep-structure") {
            o.route = ConversionRoute::KeepStructure;
        } else if (argument == "--tagged") {
            o.tagged = true;
        } else if (argument == "--no-service") {
            settings.noService = true;
        } else if (argument == "--service-status") {
            settings.serviceStatus = true;
        } else if (argument == "-r" || argument == "--recursive") {
            settings.recursive = true;
        } else if (argument == "-0" || argument == "--null") {
            settings.nulSeparated = true;
        } else if (argument == "-q" || argument == "--quiet") {
            settings.quiet = true;
        } else {
            const auto equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            const auto setter = withValue.find(name);
            if (setter == withValue.end()) {
                throw UsageError("unknown option " + name);
            }
            std::string value;
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                throw UsageError(name + " needs a value");
            }
            setter->second(name, value);
        }
    }

    // A PDF is encrypted only with an owner password; anything else given for security would be
    // silently ignored, so it is refused instead.
    if (!ownerPassword && (userPassword || securityDetail)) {
        throw UsageError("--user-password, --encryption and --allow need --owner-password (or "
                         "--owner-password-file): without an owner password the PDF is not "
                         "encrypted");
    }
    if (ownerPassword && o.ownerPassword.empty()) {
        throw UsageError("the owner password is empty: the PDF would not be encrypted");
    }
    o.securityEnabled = ownerPassword;
    o.ownerPasswordEnabled = ownerPassword;
    o.userPasswordEnabled = userPassword;

    if (settings.nulSeparated && !settings.filesFrom) {
        throw UsageError("-0 (--null) is about the list of --files-from, which is not given");
    }
    if (!settings.help && !settings.version && !settings.serviceStatus && settings.files.empty() &&
        !settings.filesFrom) {
        throw UsageError("no Word files given");
    }
    return settings;
}

std::string CommandLine::usage(const std::string& program) {
    using namespace OptionTable;
    const ConversionOptions defaults;
    return "Usage: " + program + R"( [OPTION]... FILE|FOLDER...
Converts Word documents (.doc, .docx, .dot) into PDF files.

  --out DIR                  destination folder (default: ./out, created when missing)

Folders and lists:
  FOLDER                a folder gives the Word files in it; what else it holds is passed over
  -r, --recursive       also the Word files in its subfolders, each PDF in the same subfolder
                        below --out (links to folders are not followed)
  --files-from LIST     also the files and folders listed in LIST, one a line ("-": standard
                        input), read as the conversion goes
  -0, --null            the entries of LIST end with a NUL character (find -print0)
  --shard K/N           convert only share K of N (1 <= K <= N), chosen by a hash of each
                        path: N runs, K = 1 to N, over one list convert every file once

Document information:
  --title TEXT  --subject TEXT  --author TEXT  --keywords TEXT

Security (the PDF is encrypted only when an owner password is given):
  --owner-password-file FILE   owner password, first line of FILE
  --user-password-file FILE    password needed to open the PDF, first line of FILE
  --owner-password TEXT        (visible to other local users; prefer the -file forms)
  --user-password TEXT
)" +
           helpLine("  --encryption " + wordList(encryptionLevel, "|"),
                    "40-bit or 128-bit RC4, 128-bit or 256-bit AES " +
                        defaultWord(encryptionLevel, defaults.encryptionLevel),
                    31) +
           helpLine("  --allow LIST",
                    "allowed actions: " + wordList(permissions, ",") + " (default: none)", 31) +
           R"(
Output:
)" +
           helpLine("  --compression " + wordList(documentCompression, "|"),
                    "page compression " +
                        defaultWord(documentCompression, defaults.documentCompression),
                    39) +
           helpLine("  --images " + wordList(imagesCompression, "|"),
                    "image compression " +
                        defaultWord(imagesCompression, defaults.imagesCompression),
                    39) +
           helpLine("  --jpeg-quality " + wordList(jpegQuality, "|"),
                    defaultWord(jpegQuality, defaults.jpegQuality), 39) +
           helpLine("  --pdf-version " + wordList(pdfVersion, "|"),
                    defaultWord(pdfVersion, defaults.pdfVersion), 39) +
           R"(
Route (default: the word processor prints each page and Ghostscript writes the PDF):
  --keep-structure   the word processor's own PDF export writes the PDF, keeping links,
                     bookmarks from the headings and the document's own title, subject,
                     author and keywords (fields given above replace them); LZW and
                     versions 1.3 and 1.4 have no meaning there (Flate, version 1.5)
  --tagged           a tagged PDF (structure for screen readers); implies --keep-structure
  --pdf-version A-1b, A-2b and A-3b write PDF/A (archives) and imply --keep-structure;
                     PDF/A admits no passwords

Questions:
  --overwrite / --no-overwrite   replace existing PDFs, or keep them (default: ask on a
                                 terminal, keep them otherwise)
  --document-password-file FILE  password of protected documents (default: ask on a
                                 terminal, skip them otherwise)

Isolation:
  --require-isolation   convert nothing where the word processor cannot be cut off from the
                        network (default: convert, and warn on standard error)

Running:
  --report FILE   write each file's outcome to FILE as it is known, one JSON object a line
                  (source, pdf, outcome, message, milliseconds, pages); - for standard
                  output, where with --quiet nothing else is written
  --offices N     run N offices side by side, 1 to 16 (default: one per two cores, as the
                  memory allows; also: ZARTA_OFFICES=N)
  -q, --quiet     show only what went wrong: no progress, no summary

Conversion service:
  --no-service       convert in this process, without the user's conversion service, which
                     keeps offices running between calls (also: ZARTA_NO_SERVICE=1)
  --service-status   say whether the service runs, its offices and their age, and how many
                     documents it has converted; convert nothing

  -h, --help   show this help and exit
  --version    show the version and exit

Exit status: 0 when every file was converted, 1 when some were not, 2 for a wrong command
line, 130 when interrupted.
)";
}

std::string CommandLine::version() {
    return std::string(ProductNames::commandLineProgram) + " (" +
           std::string(ProductNames::product) + ") " + std::string(ProductNames::version) + "\n";
}

} // namespace zarta
