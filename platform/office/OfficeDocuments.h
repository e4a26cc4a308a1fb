#pragma once

#include "engine/WordDocuments.h"

#include <memory>

namespace zarta {

class OfficeSession;

// The Documents collection of one office session. Thread: the batch worker's.
class OfficeDocuments : public WordDocuments {
public:
    explicit OfficeDocuments(std::shared_ptr<OfficeSession> session);

    std::unique_ptr<WordDocument> Open(std::array<WordVariant, 12>& arguments) override;

private:
    std::shared_ptr<OfficeSession> session_;
};

} // namespace zarta
