#pragma once

#include <QString>
#include <QStringView>

#include <string_view>

// Texts the shared dialogs and controls show, and the texts the desktop program's window and the
// add-in's dialog both show. They are kept letter for letter, spelling and blanks included,
// because users, their scripts and the documentation know them by these words. The engine's own
// texts (engine/Messages.h) reach the widgets through fromEngine().
namespace zarta::ui::UiTexts {

// One of the engine's UTF-8 texts as the widgets show it.
inline QString fromEngine(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Message boxes.
inline constexpr QStringView warningCaption = u"Warning";
inline constexpr QStringView errorCaption = u"ERROR";
inline constexpr QStringView workingNow = u"Working now,Hold for a moment!";
inline constexpr QStringView fileExisting = u"Convert File existing.";
inline constexpr QStringView chooseOneFile = u"Please choose one file !";

inline constexpr QStringView wrongPath = u"Wrong Path cause wrong, Input a valid file path!";

// The convert page and the add-in's convert dialog.
inline constexpr QStringView browse = u"Browse";
inline constexpr QStringView status = u"Status";
inline constexpr QStringView convert = u"Convert";

// Option pages' tabs, in index order.
inline constexpr QStringView descriptionTab = u"Description";
inline constexpr QStringView securityTab = u"Security";
inline constexpr QStringView advancedTab = u"Advanced";

// Password prompt.
inline constexpr QStringView passwordCaption = u"Password Required!";
inline constexpr QStringView enterPassword = u"Enter Password:";
inline constexpr QStringView ok = u"OK";
inline constexpr QStringView cancel = u"Cancel";
// Above the prompt when the password given before did not open the document.
inline constexpr QStringView passwordNotAccepted =
    u"The password you entered was not accepted. Please try again.";

// Finish dialog.
inline constexpr QStringView conversionCompletes = u"Conversion Completes!";
inline constexpr QStringView openFile = u"Open File";
inline constexpr QStringView openFolder = u"Open Folder";
inline constexpr QStringView close = u"Close";
inline constexpr QStringView pdfsProduced = u"PDF files produced";
inline constexpr QStringView notConverted = u"Not converted:";
inline constexpr QStringView filesNotConverted = u"Files not converted";
// The reason given for a file whose password prompt was cancelled.
inline constexpr QStringView noPasswordGiven = u"no password was given";

// The structure-keeping route on the "Advanced" page.
inline constexpr QStringView keepStructure = u"Keep links, bookmarks and properties";
inline constexpr QStringView taggedPdf = u"Tagged PDF (for screen readers)";

} // namespace zarta::ui::UiTexts
