#include "platform/office/WordArguments.h"

#include "engine/WordError.h"

#include <algorithm>
#include <initializer_list>

namespace zarta {

namespace {

// One argument of one call, for reading and for naming it in a refusal.
struct Argument {
    const char* member;
    const char* name;
    const WordVariant& value;

    [[noreturn]] void refuse(const std::string& why) const {
        throw WordError(WordError::Kind::CallFailed,
                        std::string(member) + ": the word processor cannot honour " + name + " = " +
                            value.describe() + " (" + why + ")");
    }

    bool isNumeric() const {
        return value.type() == WordVariant::Type::I2 || value.type() == WordVariant::Type::I4 ||
               value.type() == WordVariant::Type::Bool;
    }

    std::optional<bool> flag() const {
        if (value.isMissing()) {
            return std::nullopt;
        }
        if (!isNumeric()) {
            refuse("not a True/False value");
        }
        return value.asBool();
    }

    std::optional<std::int32_t> number() const {
        if (value.isMissing()) {
            return std::nullopt;
        }
        if (!isNumeric()) {
            refuse("not a number");
        }
        // A Boolean read as Automation reads it: True is -1.
        if (value.type() == WordVariant::Type::Bool) {
            return value.asBool() ? -1 : 0;
        }
        return value.asInt();
    }

    std::optional<std::string> text() const {
        if (value.isMissing()) {
            return std::nullopt;
        }
        if (value.type() != WordVariant::Type::Text) {
            refuse("not a text");
        }
        return value.asText();
    }

    void onlyFlag(bool allowed, const char* why) const {
        if (auto given = flag(); given && *given != allowed) {
            refuse(why);
        }
    }

    void onlyNumber(std::initializer_list<std::int32_t> allowed, const char* why) const {
        if (auto given = number();
            given && std::find(allowed.begin(), allowed.end(), *given) == allowed.end()) {
            refuse(why);
        }
    }

    void onlyEmptyText(const char* why) const {
        if (auto given = text(); given && !given->empty()) {
            refuse(why);
        }
    }
};

} // namespace

WordArguments::OpenRequest WordArguments::open(const std::array<WordVariant, 12>& a) {
    auto arg = [&a](std::size_t i, const char* name) { return Argument{"Open", name, a[i]}; };
    OpenRequest request;

    const auto fileName = arg(0, "FileName").text();
    if (!fileName || fileName->empty()) {
        arg(0, "FileName").refuse("a file name is required");
    }
    request.fileName = *fileName;
    arg(1, "ConfirmConversions").onlyFlag(false, "no conversion dialog can be shown");
    request.readOnly = arg(2, "ReadOnly").flag().value_or(false);
    request.addToRecentFiles = arg(3, "AddToRecentFiles").flag();
    request.password = arg(4, "PasswordDocument").text();
    arg(5, "PasswordTemplate").onlyEmptyText("templates are never opened with a password");
    // Every session starts with no document open, so there is never anything to revert.
    arg(6, "Revert").flag();
    // Write passwords only matter for saving, and documents are never saved.
    arg(7, "WritePasswordDocument").text();
    arg(8, "WritePasswordTemplate").text();
    // The format is always told from the content: automatic, document or template.
    arg(9, "Format").onlyNumber({0, 1, 2}, "only Word documents and templates can be opened");
    if (!a[10].isMissing()) {
        arg(10, "Encoding").refuse("text encodings apply to plain text files only");
    }
    // Documents are never shown: the session's windows are always hidden.
    arg(11, "Visible").flag();
    return request;
}

WordArguments::PrintRequest WordArguments::printOut(const std::array<WordVariant, 18>& a) {
    auto arg = [&a](std::size_t i, const char* name) { return Argument{"PrintOut", name, a[i]}; };
    PrintRequest request;

    request.background = arg(0, "Background").flag().value_or(true);
    arg(1, "Append").onlyFlag(false, "a print file is always replaced");
    arg(2, "Range").onlyNumber({0}, "only the whole document can be printed");
    const auto outputFileName = arg(3, "OutputFileName").text();
    arg(4, "From").onlyEmptyText("only the whole document can be printed");
    arg(5, "To").onlyEmptyText("only the whole document can be printed");
    arg(6, "Item").onlyNumber({0}, "only the document's content can be printed");
    arg(7, "Copies").onlyNumber({1}, "a print file holds one copy");
    arg(8, "Pages").onlyEmptyText("only the whole document can be printed");
    arg(9, "PageType").onlyNumber({0}, "only all pages can be printed");
    if (arg(10, "PrintToFile").flag() != true) {
        arg(10, "PrintToFile").refuse("the word processor can only print to a file");
    }
    arg(11, "Collate").flag(); // one copy: collating changes nothing
    arg(12, "ActivePrinterMacGX").onlyEmptyText("there is no such printer here");
    arg(13, "ManualDuplexPrint").onlyFlag(false, "a print file cannot be printed in two passes");
    arg(14, "PrintZoomColumn").onlyNumber({0}, "pages are printed unscaled");
    arg(15, "PrintZoomRow").onlyNumber({0}, "pages are printed unscaled");
    arg(16, "PrintZoomPaperWidth").onlyNumber({0}, "pages are printed unscaled");
    arg(17, "PrintZoomPaperHeight").onlyNumber({0}, "pages are printed unscaled");
    if (!outputFileName || outputFileName->empty()) {
        arg(3, "OutputFileName").refuse("printing to a file needs the file's name");
    }
    request.outputFileName = *outputFileName;
    return request;
}

void WordArguments::closeOrQuit(const std::array<WordVariant, 3>& a, const char* member) {
    // SaveChanges: wdDoNotSaveChanges (0) only; -1 would save and -2 would ask.
    Argument{member, "SaveChanges", a[0]}.onlyNumber(
        {0}, "documents are opened read-only and never saved");
    Argument{member, "OriginalFormat", a[1]}.number(); // only matters when saving
    Argument{member, "RouteDocument", a[2]}.onlyFlag(false, "documents are never routed");
}

} // namespace zarta
