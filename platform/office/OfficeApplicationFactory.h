#pragma once

#include "engine/WordApplicationFactory.h"
#include "platform/office/OfficeSettings.h"
#include "platform/office/OfficeStatistics.h"

#include <memory>
#include <string>

namespace zarta {

class OfficeKeeper;

// The LibreOffice provider of the Word automation interface ("Word.Application").
//
// One office runs headless for all the sessions the factory creates (one batch): the first
// create() starts it (a few seconds), later ones reuse it (creating a session costs a health
// check and closing anything left open). A session's calls map to the office: Visible false keeps
// everything hidden, ActivePrinter picks the profile's printer, Documents.Open loads the file
// read-only and hidden with the import filter its content calls for, PrintOut prints it into a
// file and returns when the file is complete, Close and Quit close without saving. Arguments the
// office cannot honour are refused with WordError CallFailed.
//
// A stuck office is killed after the document time-out (the call fails with WordError TimedOut);
// a crashed or killed office is replaced for the next session. Abandoning the batch kills the
// office at once (calls under way then throw BatchAbandoned). The office ends when the factory
// is destroyed.
//
// The first office start makes this process ignore SIGPIPE if nothing else handles it (see
// UnoRuntime).
//
// Thread: create() and the sessions on the thread that converts (the batch worker's, or one
// lane's of a batch with several offices; one thread at a time); the factory is destroyed
// after every session it created, on the batch worker's thread.
class OfficeApplicationFactory : public WordApplicationFactory {
public:
    explicit OfficeApplicationFactory(OfficeSettings settings);
    ~OfficeApplicationFactory() override;

    // Yields nullptr for another ProgID, and when no office can be started (lastFailure() says
    // why). Throws BatchAbandoned when the batch is abandoned while the office starts.
    std::unique_ptr<WordApplication> create(const std::string& progId,
                                            BatchControl& control) override;

    // Why the last create() yielded nullptr; empty after a success.
    std::string lastFailure() const override { return lastFailure_; }

    OfficeStatistics statistics() const;

private:
    std::shared_ptr<OfficeKeeper> keeper_;
    std::string lastFailure_;
};

} // namespace zarta
