#include "app/service/ConversionService.h"

#include "engine/BatchAbandoned.h"
#include "engine/NoWordProcessor.h"
#include "engine/UserPrompts.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/service/OptionsCodec.h"
#include "platform/service/ProtocolError.h"
#include "platform/service/ServiceChannel.h"
#include "platform/service/ServiceFailure.h"
#include "platform/service/ServiceMessage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zarta {

using Kind = ServiceMessage::Kind;

struct ConversionService::Session {
    std::uint64_t id = 0;
    std::uint64_t client = 0; // the connecting process
    ServiceChannel channel;
    explicit Session(int fd) : channel(fd) {}
};

namespace {

constexpr auto keepAlive = std::chrono::seconds(2);

void say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

// While a request runs: says Working to the client every two seconds, and abandons the request
// as soon as the client hangs up (or the connection fails).
class RequestWatch {
public:
    RequestWatch(ServiceChannel& channel, BatchControl& control) {
        if (::pipe2(wake_, O_CLOEXEC) != 0) {
            wake_[0] = wake_[1] = -1;
            return;
        }
        thread_ = std::thread([this, &channel, &control] {
            for (;;) {
                pollfd watch[2] = {{channel.descriptor(), POLLRDHUP, 0}, {wake_[0], POLLIN, 0}};
                const int ready = ::poll(watch, 2, static_cast<int>(keepAlive.count() * 1000));
                if (ready < 0 && errno == EINTR) {
                    continue;
                }
                if (ready < 0 || (watch[1].revents & POLLIN) != 0) {
                    return;
                }
                if ((watch[0].revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) {
                    control.abandon();
                    return;
                }
                try {
                    channel.send(ServiceMessage(Kind::Working));
                } catch (const ServiceError&) {
                    control.abandon();
                    return;
                }
            }
        });
    }
    ~RequestWatch() {
        if (thread_.joinable()) {
            const char stop = 0;
            static_cast<void>(::write(wake_[1], &stop, 1));
            thread_.join();
        }
        for (const int fd : wake_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    RequestWatch(const RequestWatch&) = delete;
    RequestWatch& operator=(const RequestWatch&) = delete;

private:
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

// Tells the client that its file's work begins now (after its wait for a converter): a client
// that loses the service before this may send the file again to a fresh service.
void begin(ServiceChannel& channel, BatchControl& control) {
    try {
        channel.send(ServiceMessage(Kind::Begun));
    } catch (const ServiceError&) {
        control.abandon();
        throw BatchAbandoned();
    }
}

// The client's prompts, over its connection: each question waits for the client's answer. A
// connection that ends or fails abandons the request.
class ClientPrompts : public UserPrompts {
public:
    ClientPrompts(ServiceChannel& channel, BatchControl& control)
        : channel_(channel), control_(control) {}

    void showMessage(const std::string& text) override {
        ServiceMessage reply =
            ask(ServiceMessage(Kind::ShowMessage).addText(text), Kind::Acknowledge);
        reply.expectEnd();
    }

    std::optional<std::string> askPassword(const std::string& fileName, bool again) override {
        ServiceMessage reply =
            ask(ServiceMessage(Kind::AskPassword).addText(fileName).addFlag(again), Kind::Answer);
        const bool given = reply.takeFlag();
        std::string text = reply.takeText();
        reply.expectEnd();
        return given ? std::optional<std::string>(std::move(text)) : std::nullopt;
    }

private:
    ServiceMessage ask(const ServiceMessage& question, Kind answer) {
        try {
            channel_.send(question);
            // The user may take as long as they like to answer.
            auto reply = channel_.receive(ServiceChannel::forever);
            if (reply && reply->kind() == answer) {
                return std::move(*reply);
            }
        } catch (const ServiceError&) {
        }
        control_.abandon();
        throw BatchAbandoned();
    }

    ServiceChannel& channel_;
    BatchControl& control_;
};

} // namespace

ConversionService::ConversionService(Settings settings, int listening)
    : settings_(std::move(settings)), listening_(listening),
      begun_(std::chrono::steady_clock::now()), pool_(settings_.offices),
      nextToken_(std::random_device{}() | 1), lastActivity_(begun_) {
    for (int i = 0; i < pool_.count(); ++i) {
        slots_.push_back(std::make_unique<ServiceSlot>(settings_.dataFolder));
    }
}

ConversionService::~ConversionService() {
    ending_.abandon();
    std::unique_lock lock(mutex_);
    for (auto& [id, weak] : sessions_) {
        if (auto session = weak.lock()) {
            session->channel.hangUp();
        }
    }
    sessionsEnded_.wait(lock, [this] { return sessions_.empty() && warming_ == 0; });
    pending_.clear();
    lock.unlock();
    // The slots end their offices and interpreters as they are destroyed.
    slots_.clear();
    ::close(listening_);
}

void ConversionService::touch() {
    std::lock_guard lock(mutex_);
    lastActivity_ = std::chrono::steady_clock::now();
}

bool ConversionService::idle() const {
    std::lock_guard lock(mutex_);
    return sessions_.empty() && pending_.empty() && warming_ == 0 &&
           std::chrono::steady_clock::now() - lastActivity_ >= settings_.idleExit;
}

int ConversionService::run() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    // Checked often enough that a short idle time (as the tests set) ends the service on time.
    const int tick =
        static_cast<int>(std::clamp<long long>(settings_.idleExit.count() * 1000 / 4, 50, 1000));
    say("serving with " + std::to_string(pool_.count()) + " offices; ending after " +
        std::to_string(settings_.idleExit.count()) + " s without work");
    for (;;) {
        pollfd watch[2] = {{listening_, POLLIN, 0}, {signalFd, POLLIN, 0}};
        const int ready = ::poll(watch, signalFd >= 0 ? 2 : 1, tick);
        if (ready < 0 && errno != EINTR) {
            say(std::string("the listening socket failed: ") + std::strerror(errno));
            return 1;
        }
        if (ready > 0 && (watch[1].revents & POLLIN) != 0) {
            say("ending on a signal");
            break;
        }
        if (ready > 0 && (watch[0].revents & POLLIN) != 0) {
            const int fd = ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                accepted(fd);
            }
        }
        if (idle()) {
            say("ending after " + std::to_string(settings_.idleExit.count()) + " s without work");
            break;
        }
    }
    if (signalFd >= 0) {
        ::close(signalFd);
    }
    return 0;
}

void ConversionService::accepted(int fd) {
    auto session = std::make_shared<Session>(fd);
    try {
        if (session->channel.peerUser() != ::geteuid()) {
            say("refused a connection of the user id " +
                std::to_string(session->channel.peerUser()));
            session->channel.send(
                ServiceMessage(Kind::Refused).addText("the service serves only its own user"));
            return;
        }
        session->client = static_cast<std::uint64_t>(session->channel.peerProcess());
    } catch (const ServiceError& error) {
        say(std::string("a connection was closed at once: ") + error.what());
        return;
    }
    {
        std::lock_guard lock(mutex_);
        session->id = nextSession_++;
        sessions_[session->id] = session;
        lastActivity_ = std::chrono::steady_clock::now();
    }
    try {
        std::thread([this, session] { serve(session); }).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(mutex_);
        sessions_.erase(session->id);
    }
}

void ConversionService::serve(const std::shared_ptr<Session>& session) {
    try {
        for (;;) {
            auto request = session->channel.receive(ServiceChannel::forever);
            if (!request) {
                break;
            }
            switch (request->kind()) {
            case Kind::Convert:
                if (!convert(*session, *request)) {
                    throw BatchAbandoned();
                }
                break;
            case Kind::Finish: {
                const std::uint64_t token = request->takeLong();
                request->expectEnd();
                finish(*session, token);
                break;
            }
            case Kind::Drop: {
                const std::uint64_t token = request->takeLong();
                request->expectEnd();
                claim(token).reset();
                break;
            }
            case Kind::Status:
                request->expectEnd();
                session->channel.send(statusReport());
                break;
            case Kind::WarmUp:
                request->expectEnd();
                startWarmUp();
                session->channel.send(ServiceMessage(Kind::Done));
                break;
            default:
                throw ProtocolError("a request the service does not take");
            }
            touch();
        }
    } catch (const ProtocolError& error) {
        say(std::string("closed a connection: ") + error.what());
    } catch (const ServiceError&) {
        // The client went away.
    } catch (const BatchAbandoned&) {
        // The client went away during a request.
    }
    session->channel.hangUp();
    dropOwned(session->id);
    std::lock_guard lock(mutex_);
    sessions_.erase(session->id);
    lastActivity_ = std::chrono::steady_clock::now();
    sessionsEnded_.notify_all();
}

bool ConversionService::convert(Session& session, ServiceMessage& request) {
    const std::string sourcePath = request.takeText();
    const std::string outputPath = request.takeText();
    const bool askForPasswords = request.takeFlag();
    const std::string installFolder = request.takeText();
    const bool isolationRequired = request.takeFlag();
    const ConversionOptions options = OptionsCodec::read(request);
    request.expectEnd();
    // The service's working folder is not the client's: a relative one would name another.
    if (!installFolder.empty() && installFolder.front() != '/') {
        throw ProtocolError("the install folder of a request is not absolute");
    }

    ServiceMessage reply(Kind::Failed);
    {
        BatchControl control;
        RequestWatch watch(session.channel, control);
        ClientPrompts prompts(session.channel, control);
        try {
            // The client's own office would not start without isolation either; the service's
            // offices are isolated exactly where its processes can be.
            if (isolationRequired && !NetworkIsolation::available()) {
                throw NoWordProcessor(NetworkIsolation::refusal());
            }
            const int slot = pool_.acquire(session.client, control);
            struct Held {
                ConverterPool& pool;
                int slot;
                ~Held() { pool.release(slot); }
            } held{pool_, slot};
            begin(session.channel, control);
            FileConverter::Started started = slots_[static_cast<std::size_t>(slot)]->start(
                prompts, askForPasswords, installFolder, sourcePath, outputPath, options, control);
            std::uint64_t token = 0;
            if (started.outcome == FileOutcome::Converted && started.remainder) {
                auto pending = std::make_unique<Pending>();
                pending->remainder = std::move(started.remainder);
                pending->slot = slot;
                pending->owner = session.id;
                std::lock_guard lock(mutex_);
                token = nextToken_++;
                pending_[token] = std::move(pending);
            } else if (started.outcome == FileOutcome::Converted) {
                slots_[static_cast<std::size_t>(slot)]->countDocument();
            }
            reply = ServiceMessage(Kind::Started);
            reply.addFlag(started.outcome == FileOutcome::Converted).addLong(token);
        } catch (const BatchAbandoned&) {
            return false;
        } catch (...) {
            reply = ServiceFailure::current();
        }
    }
    session.channel.send(reply);
    return true;
}

std::unique_ptr<ConversionService::Pending> ConversionService::claim(std::uint64_t token) {
    std::lock_guard lock(mutex_);
    const auto found = pending_.find(token);
    if (found == pending_.end()) {
        return nullptr;
    }
    auto pending = std::move(found->second);
    pending_.erase(found);
    return pending;
}

void ConversionService::finish(Session& session, std::uint64_t token) {
    std::unique_ptr<Pending> pending = claim(token);
    ServiceMessage reply(Kind::Finished);
    if (!pending) {
        reply = ServiceMessage(Kind::Failed);
        reply.addNumber(2)
            .addText("the conversion service no longer holds this file's print")
            .addText("");
    } else {
        BatchControl control;
        RequestWatch watch(session.channel, control);
        try {
            slots_[static_cast<std::size_t>(pending->slot)]->finish(
                pending->remainder, control, [&] { begin(session.channel, control); });
        } catch (const BatchAbandoned&) {
            throw;
        } catch (...) {
            reply = ServiceFailure::current();
        }
        // What the PDF part held is removed here, written or not.
        pending.reset();
    }
    session.channel.send(reply);
}

void ConversionService::dropOwned(std::uint64_t owner) {
    std::vector<std::unique_ptr<Pending>> dropped;
    {
        std::lock_guard lock(mutex_);
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (it->second->owner == owner) {
                dropped.push_back(std::move(it->second));
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
    }
}

void ConversionService::startWarmUp() {
    for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
        {
            std::lock_guard lock(mutex_);
            ++warming_;
        }
        const auto warm = [this, slot] {
            try {
                // A client of its own, so that warm-ups take their turns like files.
                const int held = pool_.acquire(0, ending_);
                try {
                    slots_[slot]->warmUp(ending_);
                } catch (...) {
                }
                pool_.release(held);
            } catch (const BatchAbandoned&) {
            }
            std::lock_guard lock(mutex_);
            --warming_;
            lastActivity_ = std::chrono::steady_clock::now();
            sessionsEnded_.notify_all();
        };
        try {
            std::thread(warm).detach();
        } catch (const std::system_error&) {
            std::lock_guard lock(mutex_);
            --warming_;
        }
    }
}

ServiceMessage ConversionService::statusReport() const {
    ServiceStatus status;
    status.pid = static_cast<std::uint32_t>(::getpid());
    status.upSeconds = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun_)
            .count());
    status.idleExitSeconds = static_cast<std::uint64_t>(settings_.idleExit.count());
    for (const auto& slot : slots_) {
        status.offices.push_back(slot->status());
        status.documents += status.offices.back().documents;
    }
    {
        std::lock_guard lock(mutex_);
        status.connections = static_cast<std::uint32_t>(sessions_.size());
    }
    ServiceMessage report(Kind::StatusReport);
    status.write(report);
    return report;
}

} // namespace zarta
