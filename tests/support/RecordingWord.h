#pragma once

#include "engine/WordApplicationFactory.h"
#include "engine/WordError.h"

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A fake word processor behind the Word automation interface that records every call with its
// arguments, in order, as text:
//   create Word.Application / Visible BOOL false / ActivePrinter TEXT "ZartaWordToPDF" /
//   Documents / Open(TEXT "/in/a.doc", I2 0, ...) / PrintOut(...) / BackgroundPrintingStatus 0 /
//   Close(I2 0, I2 0, I2 0) / Quit(I2 0, I2 0, I2 0)
// Other fakes may add their own entries with note(), so one log shows the whole order.
class RecordingWord : public zarta::WordApplicationFactory {
public:
    // Documents that need a password, by path.
    std::map<std::string, std::string> protectedDocuments;
    // Documents that cannot be read at all, by path, with the reason.
    std::map<std::string, std::string> unreadableDocuments;
    // create() yields nullptr, as when no word processor is installed; lastFailure() then says
    // unavailableReason.
    bool unavailable = false;
    std::string unavailableReason;
    // A member name ("PrintOut", "Close", "Documents", ...) that fails, with failingKind.
    std::string failingCall;
    zarta::WordError::Kind failingKind = zarta::WordError::Kind::CallFailed;
    // Values BackgroundPrintingStatus yields in turn after each PrintOut; 0 once they run out.
    std::vector<int> printingStatus;
    // Per document, by path: values that take the place of printingStatus for its PrintOut.
    std::map<std::string, std::vector<int>> printingStatusOf;

    std::unique_ptr<zarta::WordApplication> create(const std::string& progId,
                                                   zarta::BatchControl& control) override;

    std::string lastFailure() const override { return unavailable ? unavailableReason : ""; }

    void note(const std::string& entry);
    std::vector<std::string> calls() const;
    // How many sessions are alive right now.
    int liveSessions() const;

    // Used by the fake's own objects.
    void sessionEnded();
    void sessionStarted();
    void failIf(const std::string& member);
    std::deque<int> statusQueue;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    int live_ = 0;
};
