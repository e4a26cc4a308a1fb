#include "platform/service/ServiceConverterFactory.h"

#include "platform/office/OfficeCount.h"
#include "platform/service/RemoteFileConverter.h"
#include "platform/service/ServiceError.h"
#include "platform/service/ServiceLauncher.h"
#include "platform/service/ServiceStatus.h"

#include <cstdlib>
#include <system_error>
#include <thread>

namespace zarta {

namespace {

// How many offices the service on the channel runs; 0 when it does not say.
std::size_t serviceOffices(ServiceChannel& channel) {
    try {
        channel.send(ServiceMessage(ServiceMessage::Kind::Status));
        auto reply = channel.receive(ServiceLauncher::silenceLimit());
        if (reply && reply->kind() == ServiceMessage::Kind::StatusReport) {
            return ServiceStatus::read(*reply).offices.size();
        }
    } catch (const ServiceError&) {
    }
    return 0;
}

} // namespace

// Shared with the service's converters, which add to it as they end.
struct ServiceConverterFactory::Record {
    std::mutex mutex;
    OfficeConverterFactory::WordProcessors wordProcessors;
};

ServiceConverterFactory::ServiceConverterFactory(std::string dataFolder, bool useService)
    : local_(std::move(dataFolder)), record_(std::make_shared<Record>()),
      useService_(useService && !ruledOutByEnvironment()) {}

OfficeConverterFactory::WordProcessors ServiceConverterFactory::wordProcessors() const {
    OfficeConverterFactory::WordProcessors all = local_.wordProcessors();
    std::lock_guard lock(record_->mutex);
    const auto& remote = record_->wordProcessors;
    all.made += remote.made;
    all.failedToStart += remote.failedToStart;
    if (!remote.lastFailure.empty()) {
        all.lastFailure = remote.lastFailure;
    }
    return all;
}

bool ServiceConverterFactory::ruledOutByEnvironment() {
    const char* value = std::getenv("ZARTA_NO_SERVICE");
    return value != nullptr && *value != '\0' && std::string(value) != "0";
}

std::vector<std::unique_ptr<FileConverter>>
ServiceConverterFactory::makeConverters(const Request& request, UserPrompts& prompts,
                                        PrintWatch& printWatch) {
    std::unique_ptr<ServiceChannel> first;
    if (useService_) {
        first = ServiceLauncher::connect(true);
    }
    if (const auto chosen = OfficeCount::chosenByEnvironment(); first && chosen) {
        if (serviceOffices(*first) != static_cast<std::size_t>(*chosen)) {
            first.reset();
        }
    }
    if (!first) {
        return local_.makeConverters(request, prompts, printWatch);
    }
    const int count = request.count > 0 ? request.count : OfficeCount::forThisMachine();
    std::vector<std::unique_ptr<FileConverter>> converters;
    for (int i = 0; i < count; ++i) {
        // A lane whose service is gone for good converts in this process from then on.
        auto fallback = [this, request, &prompts, &printWatch] {
            Request one = request;
            one.count = 1;
            return std::move(local_.makeConverters(one, prompts, printWatch).front());
        };
        auto converter = std::make_unique<RemoteFileConverter>(i == 0 ? std::move(first) : nullptr,
                                                               prompts, request, fallback);
        converter->onEnd([record = record_](const std::string& lastFailure) {
            std::lock_guard lock(record->mutex);
            ++record->wordProcessors.made;
            if (!lastFailure.empty()) {
                ++record->wordProcessors.failedToStart;
                record->wordProcessors.lastFailure = lastFailure;
            }
        });
        converters.push_back(std::move(converter));
    }
    return converters;
}

namespace {

bool askToWarmUp() {
    try {
        auto channel = ServiceLauncher::connect(true);
        if (!channel) {
            return false;
        }
        channel->send(ServiceMessage(ServiceMessage::Kind::WarmUp));
        auto reply = channel->receive(ServiceLauncher::silenceLimit());
        return reply && reply->kind() == ServiceMessage::Kind::Done;
    } catch (const ServiceError&) {
        return false;
    }
}

} // namespace

bool ServiceConverterFactory::warmUp() const {
    return useService_ && askToWarmUp();
}

void ServiceConverterFactory::warmUpInBackground() const {
    if (!useService_) {
        return;
    }
    try {
        std::thread([] { askToWarmUp(); }).detach();
    } catch (const std::system_error&) {
        // Without a thread the first file starts the office, as without the service.
    }
}

} // namespace zarta
