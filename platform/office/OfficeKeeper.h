#pragma once

#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/WordError.h"
#include "platform/office/OfficeInstance.h"
#include "platform/office/OfficeSettings.h"
#include "platform/office/OfficeStatistics.h"
#include "platform/office/OfficeWatchdog.h"
#include "platform/office/UnoRuntime.h"

#include <com/sun/star/uno/RuntimeException.hpp>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace zarta {

class OfficeProfile;

// Keeps one office running for the sessions of a batch: starts it on first use, hands it to one
// session at a time with nothing left open from the session before, and replaces it when it
// stopped answering, crashed, was killed, has opened maxDocumentsPerOffice documents or holds
// more than maxResidentBytes of memory. Bounds every call into the office by the document
// time-out (the watchdog kills a stuck office), by callResidentLimit and by the run's memory
// budget (the watchdog samples the office's memory during the call and kills an office that
// holds more than its limit, or the most of offices that together overdraw the budget). The
// office counts in the budget while it runs. Ends the office when destroyed.
//
// Used on one thread at a time: the batch worker's, or one lane's of a batch with several
// offices.
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

    // Runs one call into the office, bounded by the document time-out and the memory limit, and
    // turns the ways an office can be lost into the caller's errors: BatchAbandoned when the
    // batch was abandoned, WordError TimedOut when the office had to be killed for being too
    // slow, WordError CallFailed when it was killed for its memory, crashed or failed inside.
    // Other UNO exceptions pass through.
    template <typename Call>
    auto call(OfficeInstance& office, BatchControl& control, Call&& officeCall)
        -> decltype(officeCall());

    const OfficeSettings& settings() const { return settings_; }
    OfficeStatistics statistics() const;
    void countLeftover() { ++statistics_.leftoversClosed; }
    void countDocument(OfficeInstance& office);
    void countPrintCheck(std::chrono::steady_clock::duration duration);

private:
    enum class Loss { Crashed, TimedOut, OutOfMemory };
    [[noreturn]] void lost(OfficeInstance& office, BatchControl& control, Loss loss);
    static Loss lossOf(const OfficeWatchdog::Guard& guard);
    // The watchdog's check of an office's memory during a call.
    std::function<bool()> memoryCheck(OfficeInstance& office) const;
    void start(BatchControl& control);
    void retire();
    bool reusable(OfficeInstance& office);
    bool closeLeftovers(OfficeInstance& office, BatchControl& control);
    void sampleMemory(OfficeInstance& office);

    OfficeSettings settings_;
    OfficeWatchdog watchdog_;
    std::unique_ptr<OfficeProfile> profile_;
    std::shared_ptr<OfficeInstance> office_;
    MemoryBudget::Entry budgetEntry_;
    OfficeStatistics statistics_;
    // Set by the watchdog when the office was stopped for the run's budget, not its own limit.
    std::shared_ptr<std::atomic<bool>> overBudget_ = std::make_shared<std::atomic<bool>>(false);
    // The most memory the office was seen holding during calls (written by the watchdog).
    std::shared_ptr<std::atomic<std::uint64_t>> callPeak_ =
        std::make_shared<std::atomic<std::uint64_t>>(0);
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
    auto guard = watchdog_.arm(settings_.documentTimeout, office.killer(), memoryCheck(office));
    try {
        return officeCall();
    } catch (const css::uno::RuntimeException& error) {
        // The connection's own failures (the office ended) and the office's internal errors.
        if (guard.fired() || guard.exceeded() || control.isAbandoned() || !office.usable()) {
            lost(office, control, lossOf(guard));
        }
        office.markFailed();
        throw WordError(WordError::Kind::CallFailed,
                        "the word processor failed (" + UnoRuntime::describe(error) + ")");
    } catch (const css::uno::Exception& error) {
        if (guard.fired() || guard.exceeded() || control.isAbandoned() || !office.usable()) {
            lost(office, control, lossOf(guard));
        }
        throw;
    }
}

} // namespace zarta
