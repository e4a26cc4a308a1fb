#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zarta {

// How the LibreOffice provider runs its office. A value type, copied into the provider.
struct OfficeSettings {
    // The program's own folder for office profiles (e.g. $XDG_DATA_HOME/ZartaWordToPDF/office).
    // Created with mode 0700 when missing; never the user's own office profile.
    std::string profileRoot;

    // The office's program folder (holding soffice.bin); empty: the office the program was
    // built against.
    std::string programFolder;

    // The printer the provider defines in its profiles; the only name ActivePrinter accepts.
    std::string printerName = "ZartaWordToPDF";

    // Longest time one office call (opening, printing, closing a document) may take before
    // the office is taken for stuck, ended, and the call fails as timed out.
    std::chrono::milliseconds documentTimeout{std::chrono::seconds(120)};

    // Longest time a starting office may take to answer on its pipe.
    std::chrono::milliseconds startTimeout{std::chrono::seconds(60)};

    // Longest time an office is given to end on its own before it is killed.
    std::chrono::milliseconds shutdownTimeout{std::chrono::seconds(10)};

    // Between two sessions, the office is replaced by a fresh one once it has opened this many
    // documents or once its resident memory exceeds this many bytes.
    int maxDocumentsPerOffice = 200;
    std::uint64_t maxResidentBytes = std::uint64_t{1} << 30;
};

} // namespace zarta
