#include "platform/office/OfficeKeeper.h"

#include "platform/office/OfficeProfile.h"
#include "platform/office/UnoRuntime.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include <algorithm>
#include <stdexcept>

namespace zarta {

namespace {

// Two offices in a row that start but do not answer mean something is wrong beyond one office.
constexpr int startAttempts = 2;

} // namespace

OfficeKeeper::OfficeKeeper(OfficeSettings settings) : settings_(std::move(settings)) {}

OfficeKeeper::~OfficeKeeper() {
    retire();
}

OfficeKeeper::Lease OfficeKeeper::acquire(BatchControl& control) {
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }
    if (office_ && !reusable(*office_)) {
        retire();
    }
    for (int attempt = 0; attempt < startAttempts; ++attempt) {
        if (!office_) {
            start(control);
        }
        Lease lease{office_, control.onAbandon(office_->killer())};
        if (closeLeftovers(*office_, control)) {
            sampleMemory(*office_);
            return lease;
        }
        retire();
    }
    throw std::runtime_error("the word processor does not answer");
}

OfficeStatistics OfficeKeeper::statistics() const {
    OfficeStatistics statistics = statistics_;
    statistics.peakResidentBytes = std::max(statistics.peakResidentBytes, callPeak_->load());
    return statistics;
}

void OfficeKeeper::sessionEnded(OfficeInstance& office) {
    sampleMemory(office);
}

void OfficeKeeper::countPrintCheck(std::chrono::steady_clock::duration duration) {
    ++statistics_.printsChecked;
    statistics_.printCheckDuration += duration;
}

void OfficeKeeper::countDocument(OfficeInstance& office) {
    office.countDocument();
    ++statistics_.documentsOpened;
}

OfficeKeeper::Loss OfficeKeeper::lossOf(const OfficeWatchdog::Guard& guard) {
    if (guard.fired()) {
        return Loss::TimedOut;
    }
    return guard.exceeded() ? Loss::OutOfMemory : Loss::Crashed;
}

std::function<bool()> OfficeKeeper::memoryCheck(OfficeInstance& office) const {
    *overBudget_ = false;
    if (settings_.callResidentLimit == 0 && !settings_.memoryBudget) {
        return {};
    }
    // The pid stays the office's while the call is guarded: the office is reaped only on this
    // thread, after the call.
    return [pid = office.pid(), limit = settings_.callResidentLimit, peak = callPeak_,
            budget = settings_.memoryBudget, overBudget = overBudget_] {
        const std::uint64_t resident = OfficeProcess::residentBytesOf(pid);
        std::uint64_t seen = peak->load();
        while (resident > seen && !peak->compare_exchange_weak(seen, resident)) {
        }
        if (limit != 0 && resident > limit) {
            return true;
        }
        if (budget && budget->overdrawnBy(pid)) {
            *overBudget = true;
            return true;
        }
        return false;
    };
}

void OfficeKeeper::lost(OfficeInstance& office, BatchControl& control, Loss loss) {
    office.markFailed();
    // Out of the budget before its process can be reaped and its id taken by another.
    budgetEntry_ = MemoryBudget::Entry();
    office.kill();
    if (control.isAbandoned()) {
        throw BatchAbandoned();
    }
    if (loss == Loss::OutOfMemory) {
        office.noteStopReason(
            *overBudget_
                ? "the document needs more memory than this run allows its word processors "
                  "together (" +
                      std::to_string(settings_.memoryBudget->bytes() >> 20) +
                      " MB), so the word processor was stopped"
                : "the document needs more than " +
                      std::to_string(settings_.callResidentLimit >> 20) +
                      " MB of memory, so the word processor was stopped");
        throw WordError(WordError::Kind::CallFailed, office.stopReason());
    }
    if (loss == Loss::TimedOut) {
        throw WordError(WordError::Kind::TimedOut,
                        "the word processor did not finish within " +
                            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(
                                               settings_.documentTimeout)
                                               .count()) +
                            " seconds and was stopped");
    }
    throw WordError(WordError::Kind::CallFailed, "the word processor stopped unexpectedly");
}

void OfficeKeeper::start(BatchControl& control) {
    if (!profile_) {
        profile_ = std::make_unique<OfficeProfile>(settings_.profileRoot, settings_.printerName);
    }
    auto office = std::make_shared<OfficeInstance>(settings_, *profile_);
    const auto abandonAction = control.onAbandon(office->killer());
    try {
        office->connect(watchdog_);
    } catch (const std::runtime_error&) {
        if (control.isAbandoned()) {
            throw BatchAbandoned();
        }
        throw;
    }
    statistics_.networkIsolated = office->networkIsolated();
    ++statistics_.officeStarts;
    statistics_.lastStartDuration = office->startDuration();
    statistics_.totalStartDuration += office->startDuration();
    statistics_.officePid = static_cast<int>(office->pid());
    if (settings_.memoryBudget) {
        budgetEntry_ = MemoryBudget::enter(settings_.memoryBudget, office->pid());
    }
    office_ = std::move(office);
}

void OfficeKeeper::retire() {
    if (!office_) {
        return;
    }
    sampleMemory(*office_);
    if (office_->usable()) {
        office_->shutdown(watchdog_);
    } else {
        office_->kill();
    }
    // A session still holding the office keeps an empty shell; the process is gone.
    office_.reset();
    budgetEntry_ = MemoryBudget::Entry();
    statistics_.officePid = 0;
}

bool OfficeKeeper::reusable(OfficeInstance& office) {
    return office.usable() && office.documentsOpened() < settings_.maxDocumentsPerOffice &&
           office.residentBytes() <= settings_.maxResidentBytes;
}

bool OfficeKeeper::closeLeftovers(OfficeInstance& office, BatchControl& control) {
    // Also the proof that the office answers.
    try {
        call(office, control, [&] {
            const auto documents = office.desktop()->getComponents()->createEnumeration();
            while (documents->hasMoreElements()) {
                const css::uno::Reference<css::lang::XComponent> document(documents->nextElement(),
                                                                          css::uno::UNO_QUERY);
                if (!document.is()) {
                    continue;
                }
                countLeftover();
                UnoRuntime::closeDocument(document);
            }
        });
        return true;
    } catch (const WordError&) {
        return false;
    } catch (const css::uno::Exception&) {
        return false;
    }
}

void OfficeKeeper::sampleMemory(OfficeInstance& office) {
    statistics_.peakResidentBytes = std::max(statistics_.peakResidentBytes, office.residentBytes());
}

} // namespace zarta
