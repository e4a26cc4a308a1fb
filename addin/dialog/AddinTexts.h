#pragma once

#include <QStringView>

// Texts the add-in's dialogs show, word for word as the add-in has always shown them (spelling
// and blanks included).
namespace zarta::addin::AddinTexts {

inline constexpr QStringView caption = u"Zarta Word To PDF";

// The convert dialog.
inline constexpr QStringView outputFile = u"Output File";
inline constexpr QStringView selectFolder = u"Select a folder for the output file";
inline constexpr QStringView browse = u"Browse";
inline constexpr QStringView status = u"Status";
inline constexpr QStringView convert = u"Convert";
inline constexpr QStringView notStarted = u"Not Started";
inline constexpr QStringView startToConvert = u"Start to Convert";
inline constexpr QStringView complete = u"Complete!";
inline constexpr QStringView wrongPath = u"Wrong Path cause wrong, Input a valid file path!";

// The completion dialog.
inline constexpr QStringView succeeded = u"Conversion succeeded. Do you want to open the document?";
inline constexpr QStringView yes = u"&Yes";
inline constexpr QStringView no = u"&No";

} // namespace zarta::addin::AddinTexts
