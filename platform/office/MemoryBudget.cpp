#include "platform/office/MemoryBudget.h"

#include "platform/office/OfficeCount.h"
#include "platform/office/OfficeProcess.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <sstream>

namespace zarta {

std::shared_ptr<MemoryBudget> MemoryBudget::forThisRun() {
    static const std::shared_ptr<MemoryBudget> budget = [] {
        std::ifstream file("/proc/meminfo");
        std::stringstream text;
        text << file.rdbuf();
        return std::make_shared<MemoryBudget>(bytesFor(OfficeCount::availableMemory(text.str())));
    }();
    return budget;
}

std::uint64_t MemoryBudget::bytesFor(std::optional<std::uint64_t> availableBytes) {
    // A quarter stays for this program, its Ghostscripts and everything else on the machine.
    return availableBytes ? *availableBytes / 4 * 3 : std::numeric_limits<std::uint64_t>::max();
}

MemoryBudget::Entry::Entry(std::shared_ptr<MemoryBudget> budget, pid_t office)
    : budget_(std::move(budget)), office_(office) {
    std::lock_guard lock(budget_->mutex_);
    budget_->offices_.push_back(office_);
}

MemoryBudget::Entry& MemoryBudget::Entry::operator=(Entry&& other) noexcept {
    if (this != &other) {
        leave();
        budget_ = std::move(other.budget_);
        office_ = std::exchange(other.office_, -1);
    }
    return *this;
}

MemoryBudget::Entry::~Entry() {
    leave();
}

void MemoryBudget::Entry::leave() {
    if (!budget_) {
        return;
    }
    {
        std::lock_guard lock(budget_->mutex_);
        auto& offices = budget_->offices_;
        if (const auto at = std::find(offices.begin(), offices.end(), office_);
            at != offices.end()) {
            offices.erase(at);
        }
    }
    budget_.reset();
    office_ = -1;
}

MemoryBudget::Entry MemoryBudget::enter(const std::shared_ptr<MemoryBudget>& budget, pid_t office) {
    return Entry(budget, office);
}

bool MemoryBudget::overdrawnBy(pid_t office) const {
    std::vector<std::pair<pid_t, std::uint64_t>> residents;
    {
        std::lock_guard lock(mutex_);
        residents.reserve(offices_.size());
        for (const pid_t entered : offices_) {
            residents.emplace_back(entered, 0);
        }
    }
    for (auto& [pid, bytes] : residents) {
        bytes = OfficeProcess::residentBytesOf(pid);
    }
    return overdrawnBy(office, residents, bytes_);
}

bool MemoryBudget::overdrawnBy(pid_t office,
                               const std::vector<std::pair<pid_t, std::uint64_t>>& residents,
                               std::uint64_t budget) {
    std::uint64_t total = 0;
    std::uint64_t own = 0;
    std::uint64_t most = 0;
    for (const auto& [pid, bytes] : residents) {
        total += bytes;
        most = std::max(most, bytes);
        if (pid == office) {
            own = bytes;
        }
    }
    return total > budget && own > 0 && own == most;
}

} // namespace zarta
