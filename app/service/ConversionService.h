#pragma once

#include "app/service/ConverterPool.h"
#include "app/service/ServiceSlot.h"
#include "engine/BatchControl.h"
#include "engine/FileConverter.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zarta {

class ServiceChannel;
class ServiceMessage;

// The user's conversion service: serves the connections on its listening socket with its warm
// converters (ServiceSlot) until it has been idle for the idle time, or is told to end.
//
// Each connection is served on a thread of its own, and only when it comes from this user
// (SO_PEERCRED); another user's gets a Refused message and is closed. A connection's requests:
// Convert (the word-processor part of a file, its questions forwarded to the client, which
// answers them on the same connection), Finish and Drop (the PDF part of a file started on any
// of this user's connections, by the token Started gave), Status, WarmUp. A file's requests say
// Begun once the file's turn has come and its work begins; during a request the service says
// Working every two seconds; a client that hangs up meanwhile has its request
// abandoned (its work folder removed, its office ended and started afresh for the next file),
// and the PDF parts it started and never claimed are dropped when its last connection ends.
// A connection with a message the protocol does not allow is closed (so is one whose Convert
// names a relative install folder: the service's working folder is not the client's). A Convert
// whose client requires isolation from the network fails as NoWordProcessor with
// NetworkIsolation::refusal() where this process's offices cannot be isolated, as the client's
// own office would.
//
// Files are handed to the converters by a ConverterPool: clients (processes) take turns file by
// file.
//
// Thread: construct, run() and destroy on one thread (the program's main thread), with SIGTERM,
// SIGINT and SIGHUP blocked in every thread of the process: run() takes them and ends the
// service.
class ConversionService {
public:
    struct Settings {
        std::string dataFolder;
        int offices = 1;
        std::chrono::seconds idleExit{600};
    };

    // listening: a listening Unix stream socket, owned by the service from now on.
    ConversionService(Settings settings, int listening);
    ~ConversionService();
    ConversionService(const ConversionService&) = delete;
    ConversionService& operator=(const ConversionService&) = delete;

    // Serves until idle for the idle time (0) or ended by a signal (0 as well); 1 when the
    // listening socket fails.
    int run();

private:
    struct Pending {
        FileConverter::Remainder remainder;
        int slot = 0;
        std::uint64_t owner = 0;
    };
    struct Session;

    void accepted(int fd);
    void serve(const std::shared_ptr<Session>& session);
    bool convert(Session& session, ServiceMessage& request);
    void finish(Session& session, std::uint64_t token);
    void dropOwned(std::uint64_t owner);
    std::unique_ptr<Pending> claim(std::uint64_t token);
    void startWarmUp();
    ServiceMessage statusReport() const;
    bool idle() const;
    void touch();

    const Settings settings_;
    int listening_;
    const std::chrono::steady_clock::time_point begun_;
    std::vector<std::unique_ptr<ServiceSlot>> slots_;
    ConverterPool pool_;
    BatchControl ending_; // abandoned when the service ends: stops warm-ups

    mutable std::mutex mutex_;
    std::condition_variable sessionsEnded_;
    std::map<std::uint64_t, std::weak_ptr<Session>> sessions_;
    std::map<std::uint64_t, std::unique_ptr<Pending>> pending_;
    std::uint64_t nextSession_ = 1;
    std::uint64_t nextToken_;
    int warming_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;
};

} // namespace zarta
