#pragma once

#include <QStringView>

// Texts the dialogs and controls show, word for word as the program has always shown them
// (spelling and blanks included).
namespace zarta::ui::UiTexts {

// Message boxes.
inline constexpr QStringView warningCaption = u"Warning";
inline constexpr QStringView errorCaption = u"ERROR";
inline constexpr QStringView workingNow = u"Working now,Hold for a moment!";
inline constexpr QStringView formatNotSupported = u"File format not support!";
inline constexpr QStringView fileExisting = u"Convert File existing.";
inline constexpr QStringView chooseOneFile = u"Please choose one file !";

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

} // namespace zarta::ui::UiTexts
