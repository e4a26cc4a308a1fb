#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace zarta {

// One memory budget for all the offices of a run, so that the offices' limits do not add up with
// their number: however many offices run side by side, together they may hold no more resident
// memory than the budget.
//
// An office is entered while it runs (enter(); leaving when the Entry goes). While a call into an
// office is under way, its keeper's watchdog asks overdrawnBy() several times a second: true when
// the offices together hold more than the budget and this office holds the most of them, which is
// the office a document drove past it. That office is stopped and its file fails saying so; the
// others go on.
//
// Thread-safe: offices enter and leave on their lanes' threads, the watchdogs ask on theirs.
class MemoryBudget {
public:
    explicit MemoryBudget(std::uint64_t bytes) : bytes_(bytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // The budget of this process's run, made on first use and shared by all its offices: three
    // quarters of the memory the system had available then (MemAvailable), or no limit when
    // that is unknown.
    static std::shared_ptr<MemoryBudget> forThisRun();
    // The budget for an amount of available memory (nothing: unknown).
    static std::uint64_t bytesFor(std::optional<std::uint64_t> availableBytes);

    std::uint64_t bytes() const { return bytes_; }

    // Counts an office's process in the budget until destroyed.
    class Entry {
    public:
        Entry() = default;
        Entry(std::shared_ptr<MemoryBudget> budget, pid_t office);
        Entry(Entry&& other) noexcept { *this = std::move(other); }
        Entry& operator=(Entry&& other) noexcept;
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        ~Entry();

    private:
        void leave();

        std::shared_ptr<MemoryBudget> budget_;
        pid_t office_ = -1;
    };
    static Entry enter(const std::shared_ptr<MemoryBudget>& budget, pid_t office);

    // Whether the offices entered hold more than the budget and office holds the most of them.
    bool overdrawnBy(pid_t office) const;

    // The same judgement for given offices and their resident bytes.
    static bool overdrawnBy(pid_t office,
                            const std::vector<std::pair<pid_t, std::uint64_t>>& residents,
                            std::uint64_t budget);

private:
    const std::uint64_t bytes_;
    mutable std::mutex mutex_;
    std::vector<pid_t> offices_;
};

} // namespace zarta
