#pragma once

#include "platform/office/OfficePipe.h"
#include "platform/office/OfficeProcess.h"
#include "platform/office/OfficeSettings.h"

#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace zarta {

class OfficeProfile;
class OfficeWatchdog;

// One running office: its process, started headless and invisible with a private profile (named
// to it through its environment, never on its command line), confined (memory limit, no network
// where possible), and the UNO connection to it over a pipe in a private folder (OfficePipe),
// where no other user can take its name. The connection is made only to the process this object
// started. Pipes that killed offices left behind are removed when an office starts. The office
// keeps its cache of the installation's shared extensions in the profile (sharedExtensionsCache),
// never in the installation, where another user's office may have made it private.
//
// Used on one thread (the batch worker), except kill() and the killer(), which any thread may
// call at any time: they only signal the office's process group, and blocked calls on the
// connection then fail.
class OfficeInstance {
public:
    // The profile's folder for the cache of the installation's shared extensions.
    static constexpr std::string_view sharedExtensionsCache = "shared-extensions";

    // Prepares the profile (OfficeProfile::prepare()) and starts the office process (without
    // waiting for it). Throws std::runtime_error. The profile must outlive the object.
    OfficeInstance(const OfficeSettings& settings, OfficeProfile& profile);
    OfficeInstance(const OfficeInstance&) = delete;
    OfficeInstance& operator=(const OfficeInstance&) = delete;
    // Kills the office if it is still running, and removes what a killed office leaves behind.
    ~OfficeInstance();

    // Waits until the office answers on its pipe (starting it again when it asks for a restart,
    // as it does when it has just set up a new profile), then connects. Each blocking step is
    // bounded by the watchdog. Throws std::runtime_error with the reason when the office does
    // not come up within the settings' start time or was killed meanwhile.
    void connect(OfficeWatchdog& watchdog);

    // The office's desktop (its document loader); valid after connect().
    const css::uno::Reference<css::frame::XDesktop2>& desktop() const { return desktop_; }

    // True while the process runs, the connection stands and nothing marked it failed.
    bool usable();
    // Takes the office out of use: a call on it timed out, or it misbehaved.
    void markFailed() { failed_ = true; }
    // Why the office was stopped, in words for the user, when it was stopped for a reason that
    // concerns the document (too much memory); empty otherwise.
    void noteStopReason(const std::string& reason) { stopReason_ = reason; }
    const std::string& stopReason() const { return stopReason_; }

    // Ends the office at once (SIGKILL to its process group). Thread-safe; never blocks.
    void kill();
    bool killed() const;
    // The same as a function that stays valid (and does nothing) after this object is gone, for
    // actions run on other threads (abandoning the batch, a watchdog).
    std::function<void()> killer() const;

    // Asks the office to end, waits up to the settings' shutdown time, then kills it.
    void shutdown(OfficeWatchdog& watchdog);

    // The office's private folder for temporary files (its profile's), emptied at each start.
    std::string temporaryFolder() const;

    std::uint64_t residentBytes();
    pid_t pid();
    bool networkIsolated() const { return process_->networkIsolated(); }

    int documentsOpened() const { return documentsOpened_; }
    void countDocument() { ++documentsOpened_; }

    // From the start of the process to a working connection.
    std::chrono::steady_clock::duration startDuration() const { return startDuration_; }

private:
    void spawn();

    OfficeSettings settings_;
    std::string programFolder_;
    OfficeProfile& profile_;
    std::string profileUrl_; // where this office's profile is (the next office's differs)
    OfficePipe pipe_;
    std::chrono::steady_clock::time_point startedAt_;
    std::chrono::steady_clock::duration startDuration_{};

    // What kill() needs, shared with the killers handed out.
    struct KillSwitch {
        std::mutex mutex;
        OfficeProcess* process = nullptr; // the current process; null once it is gone
        std::atomic<bool> killed{false};
        void kill();
    };
    std::shared_ptr<KillSwitch> killSwitch_ = std::make_shared<KillSwitch>();
    std::unique_ptr<OfficeProcess> process_;
    std::atomic<bool> failed_{false};
    std::string stopReason_;
    std::shared_ptr<std::atomic<bool>> bridgeGone_ = std::make_shared<std::atomic<bool>>(false);

    css::uno::Reference<css::bridge::XBridge> bridge_;
    css::uno::Reference<css::frame::XDesktop2> desktop_;
    int documentsOpened_ = 0;
};

} // namespace zarta
