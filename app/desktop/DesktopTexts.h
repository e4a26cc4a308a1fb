#pragma once

#include "app/ui/UiTexts.h"
#include "engine/ProductNames.h"

#include <QStringView>

// Texts the desktop program's windows show. They are kept letter for letter, spelling and blanks
// included, because users, their scripts and the documentation know them by these words. Texts
// the add-in's dialog shows as well are written in UiTexts, the product's names in ProductNames;
// this list names them for the window.
namespace zarta::desktop::DesktopTexts {

inline constexpr QStringView productName = u"" ZARTA_PRODUCT_NAME;
inline constexpr QStringView aboutCaption = u"About " ZARTA_PRODUCT_NAME;
inline constexpr QStringView aboutCommand = aboutCaption;
inline constexpr QStringView productAndVersion = u"" ZARTA_PRODUCT_NAME " " ZARTA_PRODUCT_VERSION;
inline constexpr QStringView closeCaption = u"Zarta All To PDF";
inline constexpr QStringView helpFileName = u"" ZARTA_PRODUCT_NAME " - Help.html";
// The project's own web page, shown by the about box and opened by "Website".
inline constexpr QStringView website = u"https://zarta.example/word-to-pdf/";

// Main window.
inline constexpr QStringView websiteButton = u"Website";
inline constexpr QStringView helpButton = u"Help";
inline constexpr QStringView aboutButton = u"About";
inline constexpr QStringView aboutRefused = u"Working now, hold for a moment!";
inline constexpr QStringView stopQuestion = u" Are you sure you want to stop the conversion? ";

// About box.
inline constexpr QStringView websiteLabel = u"Website :";
inline constexpr QStringView ok = ui::UiTexts::ok;
inline constexpr QStringView notice =
    u" Copyright (C) 2026 Zarta. All rights reserved.\n"
    u" This program may be used and copied only as its licence permits.";

// Convert page.
inline constexpr QStringView heading = u"Convert Word To PDF";
inline constexpr QStringView hint = u"You can add more than one file at a time for conversion";
inline constexpr QStringView addFiles = u"Add File(s)";
inline constexpr QStringView remove = u"Remove";
inline constexpr QStringView removeAll = u"Remove All";
inline constexpr QStringView saveTo = u"Save File(s) to:";
inline constexpr QStringView selectDestination =
    u"Select destination folder for converted file(s).";
inline constexpr QStringView browse = ui::UiTexts::browse;
inline constexpr QStringView status = ui::UiTexts::status;
inline constexpr QStringView convert = ui::UiTexts::convert;
inline constexpr QStringView stop = u"Stop";
inline constexpr QStringView displayAdvanced = u"Display Advanced Options.";
inline constexpr QStringView advancedOptions = u"Advanced Options:";
inline constexpr QStringView wordFilter = u"Word Files (*.doc *.docx *.DOC *.DOCX)";
// The progress bar's name for screen readers (it shows no text of its own).
inline constexpr QStringView progressName = u"Conversion progress";

// Status line.
inline constexpr QStringView notStarted = u"Not started.";
inline constexpr QStringView ready = u"Ready";
inline constexpr QStringView startToConvert = u"Start to convert";

// Convert page's messages.
inline constexpr QStringView noWordFile = u"No Word File";
inline constexpr QStringView wrongPath = ui::UiTexts::wrongPath;
// A destination folder that exists but cannot be written into.
inline constexpr QStringView folderNotWritable =
    u"The PDF files cannot be written into this folder (it is not writable for you). Choose "
    u"another folder.";
inline constexpr QStringView wordFileExisting = u"Convert Word File existing.";

// The title of the word processor's question boxes, answered while it prints.
inline constexpr QStringView wordQuestionTitle = u"Microsoft Office Word";

} // namespace zarta::desktop::DesktopTexts
