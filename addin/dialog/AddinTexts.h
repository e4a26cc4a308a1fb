#pragma once

#include "app/ui/UiTexts.h"
#include "engine/ProductNames.h"

#include <QStringView>

// Texts the add-in's dialogs show. They are kept letter for letter, spelling and blanks included,
// because users, their scripts and the documentation know them by these words. Texts the desktop
// program's window shows as well are written in UiTexts (or, for the engine's, in Messages), the
// product's names in ProductNames; this list names them for the dialogs.
namespace zarta::addin::AddinTexts {

inline constexpr QStringView caption = u"" ZARTA_PRODUCT_NAME;

// The convert dialog.
inline constexpr QStringView outputFile = u"Output File";
inline constexpr QStringView selectFolder = u"Select a folder for the output file";
inline constexpr QStringView browse = ui::UiTexts::browse;
inline constexpr QStringView status = ui::UiTexts::status;
inline constexpr QStringView convert = ui::UiTexts::convert;
inline constexpr QStringView notStarted = u"Not Started";
inline constexpr QStringView startToConvert = u"Start to Convert";
inline constexpr QStringView wrongPath = ui::UiTexts::wrongPath;
inline constexpr QStringView unsavedChanges =
    u"The document has unsaved changes: the PDF is made from the saved file, without them.";

// The completion dialog.
inline constexpr QStringView succeeded = u"Conversion succeeded. Do you want to open the document?";
inline constexpr QStringView yes = u"&Yes";
inline constexpr QStringView no = u"&No";

} // namespace zarta::addin::AddinTexts
