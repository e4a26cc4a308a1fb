#include "platform/office/OfficeInstance.h"

#include "platform/office/NetworkIsolation.h"
#include "platform/office/OfficeProfile.h"
#include "platform/office/OfficeWatchdog.h"
#include "platform/office/SocketConnection.h"
#include "platform/office/UnoRuntime.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XEventListener.hpp>
#include <cppuhelper/implbase1.hxx>

#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace zarta {

namespace {

// The exit status by which the office asks to be started again (after setting up a profile).
constexpr int restartRequested = 81;
constexpr int maxRestarts = 3;

// Notes that the connection has gone (the office ended, or the bridge was disposed).
class BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeListener(std::shared_ptr<std::atomic<bool>> gone) : gone_(std::move(gone)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override { *gone_ = true; }

private:
    std::shared_ptr<std::atomic<bool>> gone_;
};

} // namespace

OfficeInstance::OfficeInstance(const OfficeSettings& settings, OfficeProfile& profile)
    : settings_(settings), programFolder_(settings.programFolder.empty() ? ZARTA_OFFICE_PROGRAM_DIR
                                                                         : settings.programFolder),
      profile_(profile), startedAt_(std::chrono::steady_clock::now()) {
    // What an office killed with the last run of this profile left (prepare() moves it on).
    OfficePipe::removeSingleInstancePipe(profile_.url());
    profile_.prepare();
    profileUrl_ = profile_.url();
    OfficePipe::removeLeftovers(OfficePipe::runtimeFolder());
    spawn();
}

OfficeInstance::~OfficeInstance() {
    desktop_.clear();
    if (bridge_.is()) {
        try {
            css::uno::Reference<css::lang::XComponent>(bridge_, css::uno::UNO_QUERY_THROW)
                ->dispose();
        } catch (const css::uno::Exception&) {
            // The connection is gone already.
        }
    }
    kill();
    {
        std::lock_guard lock(killSwitch_->mutex);
        killSwitch_->process = nullptr;
    }
    process_.reset();
    OfficePipe::removeSingleInstancePipe(profileUrl_);
}

void OfficeInstance::spawn() {
    std::vector<std::string> arguments{
        programFolder_ + "/soffice.bin",
        "--headless",
        "--invisible",
        "--norestore",
        "--nofirststartwizard",
        "--nologo",
        "--nodefault",
        "--nolockcheck",
        "--accept=pipe,name=" + pipe_.name() + ";urp;",
    };
    if (settings_.beforeStart) {
        settings_.beforeStart(pipe_.path());
    }
    OfficeProcess::Confinement confinement;
    confinement.addressSpaceBytes = settings_.addressSpaceLimit;
    confinement.isolateNetwork = settings_.isolateNetwork;
    // The profile goes through the environment, which no other user can read: the office names
    // its single-instance pipe in the shared temporary folder after the profile's path, and
    // whoever knew that path could take the name first and keep the office from starting.
    //
    // The cache of the installation's shared extensions is one of the profile's own too. The
    // installation's cache is made by whichever user's office starts first, with that office's
    // private file mode: once an office ran as root, every other user's office failed to start
    // on it (and ours, run as root, would make it so). This office runs no extensions anyway.
    auto process = std::make_unique<OfficeProcess>(
        arguments,
        std::vector<std::string>{"UserInstallation=" + profileUrl_,
                                 "UNO_SHARED_PACKAGES_CACHE=" + profileUrl_ + "/" +
                                     std::string(sharedExtensionsCache)},
        profile_.logFile(), profile_.temporaryFolder(), confinement);
    // Before it has been given anything to read.
    if (confinement.isolateNetwork && !process->networkIsolated() && NetworkIsolation::required()) {
        process->kill();
        throw std::runtime_error(NetworkIsolation::refusal());
    }
    {
        std::lock_guard lock(killSwitch_->mutex);
        killSwitch_->process = process.get();
        if (killSwitch_->killed) {
            process->kill();
        }
    }
    // The process replaced has ended already (it asked for a restart, or was killed and reaped).
    process_ = std::move(process);
}

void OfficeInstance::connect(OfficeWatchdog& watchdog) {
    const auto local = UnoRuntime::context(programFolder_);
    const auto deadline = startedAt_ + settings_.startTimeout;
    const auto seconds = std::to_string(
        std::chrono::duration_cast<std::chrono::seconds>(settings_.startTimeout).count());
    int restarts = 0;
    css::uno::Reference<css::connection::XConnection> connection;
    while (!connection.is()) {
        if (killed()) {
            throw std::runtime_error("the word processor was stopped while starting");
        }
        if (const auto status = process_->exitStatus()) {
            if (*status == restartRequested && restarts < maxRestarts) {
                ++restarts;
                spawn();
                continue;
            }
            throw std::runtime_error("the word processor ended while starting (status " +
                                     std::to_string(*status) + "; see " + profile_.logFile() + ")");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill();
            throw std::runtime_error("the word processor did not start within " + seconds +
                                     " seconds");
        }
        if (const int descriptor = pipe_.connect(process_->pid()); descriptor >= 0) {
            connection =
                new SocketConnection(descriptor, "pipe " + pipe_.name() + " of the word processor");
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // The office listens: the remaining steps are calls into it, bounded by what is left of
    // the start time.
    auto guard =
        watchdog.arm(std::max(deadline - std::chrono::steady_clock::now(),
                              std::chrono::steady_clock::duration(std::chrono::seconds(1))),
                     killer());
    try {
        bridge_ = css::bridge::BridgeFactory::create(local)->createBridge(rtl::OUString(), "urp",
                                                                          connection, nullptr);
        css::uno::Reference<css::lang::XComponent>(bridge_, css::uno::UNO_QUERY_THROW)
            ->addEventListener(new BridgeListener(bridgeGone_));
        css::uno::Reference<css::uno::XComponentContext> remote(
            bridge_->getInstance("StarOffice.ComponentContext"), css::uno::UNO_QUERY_THROW);
        desktop_ = css::frame::Desktop::create(remote);
    } catch (const css::uno::Exception& error) {
        kill();
        throw std::runtime_error(
            guard.fired() ? "the word processor did not start within " + seconds + " seconds"
                          : "the word processor did not answer: " + UnoRuntime::describe(error));
    }
    startDuration_ = std::chrono::steady_clock::now() - startedAt_;
}

bool OfficeInstance::usable() {
    return !failed_ && !killed() && !*bridgeGone_ && desktop_.is() && !process_->exitStatus();
}

void OfficeInstance::KillSwitch::kill() {
    killed = true;
    std::lock_guard lock(mutex);
    if (process != nullptr) {
        process->kill();
    }
}

void OfficeInstance::kill() {
    killSwitch_->kill();
}

bool OfficeInstance::killed() const {
    return killSwitch_->killed;
}

std::function<void()> OfficeInstance::killer() const {
    return [killSwitch = killSwitch_] { killSwitch->kill(); };
}

void OfficeInstance::shutdown(OfficeWatchdog& watchdog) {
    if (usable()) {
        auto guard = watchdog.arm(settings_.shutdownTimeout, killer());
        try {
            desktop_->terminate();
        } catch (const css::uno::Exception&) {
            // Ending the office may take the connection down before the answer arrives.
        }
    }
    desktop_.clear();
    if (bridge_.is()) {
        try {
            css::uno::Reference<css::lang::XComponent>(bridge_, css::uno::UNO_QUERY_THROW)
                ->dispose();
        } catch (const css::uno::Exception&) {
            // Already gone with the office.
        }
        bridge_.clear();
    }
    process_->waitOrKill(settings_.shutdownTimeout);
}

std::string OfficeInstance::temporaryFolder() const {
    return profile_.temporaryFolder();
}

std::uint64_t OfficeInstance::residentBytes() {
    return process_->residentBytes();
}

pid_t OfficeInstance::pid() {
    return process_->pid();
}

} // namespace zarta
