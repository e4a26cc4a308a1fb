#include "platform/office/OfficeApplicationFactory.h"

#include "platform/office/OfficeApplication.h"
#include "platform/office/OfficeKeeper.h"
#include "platform/office/OfficeSession.h"

#include <stdexcept>

namespace zarta {

OfficeApplicationFactory::OfficeApplicationFactory(OfficeSettings settings)
    : keeper_(std::make_shared<OfficeKeeper>(std::move(settings))) {}

// Sessions should be gone by now; if one is not, it keeps only an office that no longer runs.
OfficeApplicationFactory::~OfficeApplicationFactory() {
    keeper_->shutdown();
}

std::unique_ptr<WordApplication> OfficeApplicationFactory::create(const std::string& progId,
                                                                  BatchControl& control) {
    if (progId != "Word.Application") {
        lastFailure_ = "no word processor is registered as \"" + progId + "\"";
        return nullptr;
    }
    try {
        auto lease = keeper_->acquire(control);
        lastFailure_.clear();
        return std::make_unique<OfficeApplication>(
            std::make_shared<OfficeSession>(keeper_, std::move(lease), control));
    } catch (const std::runtime_error& error) {
        lastFailure_ = error.what();
        return nullptr;
    }
}

OfficeStatistics OfficeApplicationFactory::statistics() const {
    return keeper_->statistics();
}

} // namespace zarta
