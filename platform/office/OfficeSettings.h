#pragma once

#include "engine/ProductNames.h"
#include "platform/office/MemoryBudget.h"

#include <chrono>
#include <cstdint>
#include <functional>
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
    std::string printerName{ProductNames::program};

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

    // During a call, the office's resident memory is sampled several times a second; an office
    // holding more than this is stopped and the call fails (a document that needs that much is
    // taken for hostile). Normal documents, even large ones, stay far below.
    std::uint64_t callResidentLimit = std::uint64_t{4} << 30;

    // The budget this office shares with the other offices of the run (see MemoryBudget),
    // checked with the same samples: when the offices together hold more, the one holding the
    // most is stopped and its call fails. Null: no shared budget.
    std::shared_ptr<MemoryBudget> memoryBudget = MemoryBudget::forThisRun();

    // The office's address-space limit (RLIMIT_AS), the backstop for memory grabbed faster than
    // the sampling sees; 0: none. Its address space is much larger than its resident memory.
    std::uint64_t addressSpaceLimit = std::uint64_t{8} << 30;

    // Runs the office without network access where the system allows it, so that a document
    // cannot make it fetch or probe anything (see OfficeProcess::Confinement).
    bool isolateNetwork = true;

    // Called just before each office process starts, with the path of the socket the office is
    // about to listen on; for tests that try to take names first. Empty: nothing is called.
    std::function<void(const std::string& pipePath)> beforeStart;
};

} // namespace zarta
