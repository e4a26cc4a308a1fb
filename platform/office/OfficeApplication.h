#pragma once

#include "engine/WordApplication.h"

#include <memory>

namespace zarta {

class OfficeSession;

// The Word Application object of one office session (see OfficeApplicationFactory).
// Thread: the batch worker's. Destroying it without Quit quits.
class OfficeApplication : public WordApplication {
public:
    explicit OfficeApplication(std::shared_ptr<OfficeSession> session);
    ~OfficeApplication() override;

    void putVisible(const WordVariant& visible) override;
    void putActivePrinter(const WordVariant& printerName) override;
    std::unique_ptr<WordDocuments> getDocuments() override;
    int getBackgroundPrintingStatus() override;
    void Quit(std::array<WordVariant, 3>& arguments) override;

private:
    std::shared_ptr<OfficeSession> session_;
};

} // namespace zarta
