#pragma once

#include "engine/WordDocument.h"

#include <com/sun/star/lang/XComponent.hpp>

#include <memory>

namespace zarta {

class OfficeSession;

// A document opened in an office session. Thread: the batch worker's. Destroying it without
// Close closes it without saving.
class OfficeDocument : public WordDocument {
public:
    OfficeDocument(std::shared_ptr<OfficeSession> session,
                   css::uno::Reference<css::lang::XComponent> document);
    ~OfficeDocument() override;

    void PrintOut(std::array<WordVariant, 18>& arguments) override;
    void putBuiltInDocumentProperty(const std::string& name, const std::string& value) override;
    void ExportAsFixedFormat(const FixedFormatExport& settings) override;
    void Close(std::array<WordVariant, 3>& arguments) override;

private:
    std::shared_ptr<OfficeSession> session_;
    css::uno::Reference<css::lang::XComponent> document_;
    bool closed_ = false;
};

} // namespace zarta
