#pragma once

#include "engine/WordApplication.h"

#include <memory>
#include <string>

namespace zarta {

class BatchControl;

// Creates Word automation sessions by ProgID ("Word.Application"), as COM's CoCreateInstance
// would. A provider stands behind it (the LibreOffice provider on Linux; fakes in tests).
//
// A provider may keep one word processor running between the sessions of a batch, so that a
// session per file stays cheap; each session still starts clean. Whatever it keeps running ends
// no later than the factory's destruction.
//
// Thread: create() is called on the thread that converts the file (the batch worker's, or the
// lane's of a batch with several word processors; one thread at a time per factory); the
// session it yields is used there.
class WordApplicationFactory {
public:
    virtual ~WordApplicationFactory() = default;

    // Yields a new session, or nullptr when no word processor can be started for progId.
    // control lets the provider end a session that hangs when the batch is abandoned.
    virtual std::unique_ptr<WordApplication> create(const std::string& progId,
                                                    BatchControl& control) = 0;

    // Why the last create() yielded nullptr, in words for the user (empty when unknown or after
    // a success).
    virtual std::string lastFailure() const { return std::string(); }
};

} // namespace zarta
