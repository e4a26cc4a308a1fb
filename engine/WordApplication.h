#pragma once

#include "engine/WordDocuments.h"
#include "engine/WordVariant.h"

#include <array>
#include <memory>

namespace zarta {

// One Word automation session (Word's Application object): a word processor of its own for
// one conversion, started by WordApplicationFactory and ended by Quit.
//
// Thread: created, used and destroyed on one thread (the batch worker). Documents and
// documents opened from it are destroyed before it. Destroying an Application that was not
// quit ends its session as Quit would. Every member may throw WordError.
class WordApplication {
public:
    virtual ~WordApplication() = default;

    // Visible (DISPID 23), property put; a Bool. False keeps every window of the session hidden.
    virtual void putVisible(const WordVariant& visible) = 0;

    // ActivePrinter (DISPID 66), property put; a Text naming the printer later printing goes
    // through.
    virtual void putActivePrinter(const WordVariant& printerName) = 0;

    // Documents (DISPID 6), property get.
    virtual std::unique_ptr<WordDocuments> getDocuments() = 0;

    // BackgroundPrintingStatus (DISPID 86), property get: the number of print jobs still
    // running in the background; 0 once printing has ended.
    virtual int getBackgroundPrintingStatus() = 0;

    // Quit (DISPID 1105): SaveChanges, OriginalFormat, RouteDocument. Ends the session.
    virtual void Quit(std::array<WordVariant, 3>& arguments) = 0;
};

} // namespace zarta
