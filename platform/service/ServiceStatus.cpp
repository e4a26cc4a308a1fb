#include "platform/service/ServiceStatus.h"

#include "platform/service/ProtocolError.h"
#include "platform/service/ServiceLauncher.h"
#include "platform/service/ServiceMessage.h"

namespace zarta {

namespace {

// More offices than any machine runs (OfficeCount allows 16): a report claiming more is
// refused before anything is allocated for it.
constexpr std::uint32_t maxOffices = 64;

std::string duration(std::uint64_t seconds) {
    if (seconds < 120) {
        return std::to_string(seconds) + " s";
    }
    if (seconds < 7200) {
        return std::to_string(seconds / 60) + " min";
    }
    return std::to_string(seconds / 3600) + " h";
}

} // namespace

void ServiceStatus::write(ServiceMessage& message) const {
    message.addNumber(pid).addLong(upSeconds).addLong(idleExitSeconds).addLong(documents);
    message.addNumber(connections).addNumber(static_cast<std::uint32_t>(offices.size()));
    for (const Office& office : offices) {
        message.addFlag(office.running).addNumber(office.pid).addLong(office.ageSeconds);
        message.addLong(office.documents);
    }
}

ServiceStatus ServiceStatus::read(ServiceMessage& message) {
    ServiceStatus status;
    status.pid = message.takeNumber();
    status.upSeconds = message.takeLong();
    status.idleExitSeconds = message.takeLong();
    status.documents = message.takeLong();
    status.connections = message.takeNumber();
    const std::uint32_t count = message.takeNumber();
    if (count > maxOffices) {
        throw ProtocolError("a status with more offices than a service runs");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        Office office;
        office.running = message.takeFlag();
        office.pid = message.takeNumber();
        office.ageSeconds = message.takeLong();
        office.documents = message.takeLong();
        status.offices.push_back(office);
    }
    message.expectEnd();
    return status;
}

std::string ServiceStatus::text() const {
    std::string text = "conversion service: running (process " + std::to_string(pid) + ", up " +
                       duration(upSeconds) + ", ends after " + duration(idleExitSeconds) +
                       " without work)\n";
    text += "documents converted: " + std::to_string(documents) + "\n";
    text += "connections: " + std::to_string(connections) + "\n";
    for (std::size_t i = 0; i < offices.size(); ++i) {
        const Office& office = offices[i];
        text += "office " + std::to_string(i + 1) + ": ";
        text += office.running ? "running (process " + std::to_string(office.pid) + ", up " +
                                     duration(office.ageSeconds) + ")"
                               : std::string("not started");
        text += ", " + std::to_string(office.documents) + " documents\n";
    }
    return text;
}

std::optional<ServiceStatus> ServiceStatus::query(std::string* whyNot) {
    auto channel = ServiceLauncher::connect(false, whyNot);
    if (!channel) {
        return std::nullopt;
    }
    try {
        channel->send(ServiceMessage(ServiceMessage::Kind::Status));
        auto reply = channel->receive(ServiceLauncher::silenceLimit());
        if (reply && reply->kind() == ServiceMessage::Kind::StatusReport) {
            return read(*reply);
        }
        if (reply && reply->kind() == ServiceMessage::Kind::Refused) {
            if (whyNot) {
                *whyNot = "the conversion service refused the connection: " + reply->takeText();
            }
            return std::nullopt;
        }
        if (whyNot) {
            *whyNot = "the conversion service did not report its status";
        }
    } catch (const ServiceError& error) {
        if (whyNot) {
            *whyNot = error.what();
        }
    }
    return std::nullopt;
}

} // namespace zarta
