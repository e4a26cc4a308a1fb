#pragma once

#include <string>
#include <string_view>

// Texts the conversion shows to the user. They are kept letter for letter, spelling included,
// because users, their scripts and the documentation know them by these words. Shared by the
// desktop program, the add-in and the command line.
namespace zarta::Messages {

// Status line.
inline constexpr std::string_view statusComplete = "Complete!";
inline constexpr std::string_view statusStopped = "Stoped";

// The overwrite question; %s is the output file's full path. Caption: ProductNames::product.
inline constexpr std::string_view replaceQuestion = "%s already exists. Do you want to replace it?";

// The add-in's answer to a document it does not convert; %s is the document's full path.
inline constexpr std::string_view notSupportedFile = "Not Suppot File %s,Convert next file?";

// The start of the message for a file whose conversion failed for a reason the stages did not
// word themselves; %s is the source document's full path, the reason follows.
inline constexpr std::string_view couldNotConvert = "Couldn't convert \"%s\": ";

// The start of the message for a file Ghostscript could not turn into the PDF; %s is the source
// document's full path, the reason follows.
inline constexpr std::string_view couldNotConvertToPdf = "Couldn't convert \"%s\" to PDF: ";

// A file that is not a Word document, refused from the list (and by the command line).
inline constexpr std::string_view formatNotSupported = "File format not support!";

// Word stage.
inline constexpr std::string_view noWordObject = "Couldn't get Word object.";
// The line after noWordObject when the word processor said why it could not start; %s is its
// reason.
inline constexpr std::string_view wordProcessorNotStarted =
    "The word processor could not be started: %s";
// Why a file was not converted when an earlier file's failure ended the batch.
inline constexpr std::string_view batchEndedBefore =
    "Not converted: the batch ended before this file.";

// The end of the message for a file whose conversion the user's conversion service was doing when
// it stopped or stopped answering; %s says how it ended.
inline constexpr std::string_view serviceStopped =
    "the conversion service stopped during the conversion (%s)";

// Why the word processor could not open a document.
inline constexpr std::string_view fileDamaged = "the file is damaged";
inline constexpr std::string_view fileMissing = "the file does not exist";
inline constexpr std::string_view unsupportedEncryption =
    "it is protected with an encryption the word processor cannot open";

// The password prompt; %s is the document's file name, inserted verbatim.
inline constexpr std::string_view passwordPrompt =
    "The program has detected that File \"%s\"  is password protected. Please enter the "
    "password for the conversion.";

// The pattern with its first "%s" replaced by value. Nothing else in either text is
// interpreted, so a "%" in a file name is shown as it is.
inline std::string fill(std::string_view pattern, std::string_view value) {
    const auto at = pattern.find("%s");
    if (at == std::string_view::npos) {
        return std::string(pattern);
    }
    std::string text(pattern.substr(0, at));
    text += value;
    text += pattern.substr(at + 2);
    return text;
}

} // namespace zarta::Messages
