#pragma once

#include "BatchAbandoned.h"
#include "BatchControl.h"
#include "OfficeInstance.h"
#include "OfficeSettings.h"
#include "OfficeStatistics.h"
#include "OfficeWatchdog.h"
#include "UnoRuntime.h"
#include "WordError.h"

#include <com/sun/star/uno/RuntimeException.hpp>

#include <memory>

namespace zarta {

class OfficeProfile;

// Keeps one office running for the sessions of a batch: starts it on first use, hands it to one
// session at a time with nothing left open from the session before, and replaces it when it
// stopped answering, crashed, was killed, has opened maxDocumentsPerOffice documents or holds
// more than maxResidentBytes of memory. Bounds every call into the office by the document
// time-out (the watchdog kills a stuck office). Ends the office when destroyed.
//
// Used on the batch worker's thread only.
class OfficeKeeper {
public:
    explicit OfficeKeeper(OfficeSettings settings);
    OfficeKeeper(const OfficeKeeper&) = delete;
    OfficeKeeper& operator=(const OfficeKeeper&) = delete;
    ~OfficeKeeper();

    // A working office reserved for one session, and the action that kills it when the batch
    // is abandoned while the session lasts.
    struct Lease {
        std::shared_ptr<OfficeInstance> office;
        BatchControl::Registration abandonAction;
    };

    // Throws std::runtime_error with the reason when no office can be started, and
    // BatchAbandoned when the batch is abandoned meanwhile.
    Lease acquire(BatchControl& control);

    // Ends the office now (gracefully when it still answers).
    void shutdown() { retire(); }

    // Notes the end of a session (for the memory figures and the replacement rules).
    void sessionEnded(OfficeInstance& office);

    // Runs one call into the office, bounded by the document time-out, and turns the ways an
    // office can be lost into the caller's errors: BatchAbandoned when the batch was abandoned,
    // WordError TimedOut when the office had to be killed for being too slow, WordError
    // CallFailed when it crashed or failed inside. Other UNO exceptions pass through.
    template <typename Call>
    auto call(OfficeInstance& office, BatchControl& control, Call&& officeCall)
        -> decltype(officeCall());

    const OfficeSettings& settings() const { return settings_; }
    const OfficeStatistics& statistics() const { return statistics_; }
    void countLeftover() { ++statistics_.leftoversClosed; }
    void countDocument(OfficeInstance& office);

private:
    [[noreturn]] void lost(OfficeInstance& office, BatchControl& control, bool timedOut);
    void start(BatchControl& control);
    void retire();
    bool reusable(OfficeInstance& office);
    bool closeLeftovers(OfficeInstance& office, BatchControl& control);
    void sampleMemory(OfficeInstance& office);

    OfficeSettings settings_;
    OfficeWatchdog watchdog_;
    std::unique_ptr<OfficeProfile> profile_;
    std::shared_ptr<OfficeInstance> office_;
    OfficeStatistics statistics_;
};

template <typename Call>
auto OfficeKeeper::call(OfficeInstance& office, BatchControl& control, Call&& officeCall)
    -> decltype(officeCall()) {
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }
    if (!office.usable()) {
        throw WordError(WordError::Kind::CallFailed, "the word processor is no longer running");
    }
    auto guard = watchdog_.arm(settings_.documentTimeout, office.killer());
    try {
        return officeCall();
    } catch (const css::uno::RuntimeException& error) {
        // The connection's own failures (the office ended) and the office's internal errors.
        if (guard.fired() || control.isAbandoned() || !office.usable()) {
            lost(office, control, guard.fired());
        }
        office.markFailed();
        throw WordError(WordError::Kind::CallFailed,
                        "the word processor failed (" + UnoRuntime::describe(error) + ")");
    } catch (const css::uno::Exception& error) {
        if (guard.fired() || control.isAbandoned() || !office.usable()) {
            lost(office, control, guard.fired());
        }
        throw;
    }
}

} // namespace zarta
