#pragma once

#include <QStringView>

// Texts the desktop program's windows show, word for word as the program has always shown them
// (spelling and blanks included).
namespace zarta::desktop::DesktopTexts {

inline constexpr QStringView productName = u"Zarta Word To PDF";
inline constexpr QStringView aboutCaption = u"About Zarta Word To PDF";
inline constexpr QStringView aboutCommand = u"About Zarta Word To PDF";
inline constexpr QStringView productAndVersion = u"Zarta Word To PDF 4.0";
inline constexpr QStringView closeCaption = u"Zarta All To PDF";
inline constexpr QStringView helpFileName = u"Zarta Word To PDF - Help.html";
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
inline constexpr QStringView ok = u"OK";
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
inline constexpr QStringView browse = u"Browse";
inline constexpr QStringView status = u"Status";
inline constexpr QStringView convert = u"Convert";
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
inline constexpr QStringView wrongPath = u"Wrong Path cause wrong, Input a valid file path!";
// A destination folder that exists but cannot be written into.
inline constexpr QStringView folderNotWritable =
    u"The PDF files cannot be written into this folder (it is not writable for you). Choose "
    u"another folder.";
inline constexpr QStringView wordFileExisting = u"Convert Word File existing.";

// The title of the word processor's question boxes, answered while it prints.
inline constexpr QStringView wordQuestionTitle = u"Microsoft Office Word";

} // namespace zarta::desktop::DesktopTexts
