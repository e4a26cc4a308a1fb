#pragma once

#include "platform/office/LoadDiagnosis.h"

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <memory>

namespace zarta {

// Answers the questions the office asks while it opens a document, without showing anything:
// - a password request is refused (aborted), so the load fails and the caller can ask the user;
// - an offer to repair a damaged package is declined: a repaired document may lack parts of the
//   original, and it must not pass for a faithful conversion;
// - every other question is answered "yes" (approve), or aborted when it cannot be approved.
// Whatever it sees is noted in the load's diagnosis.
//
// The office calls it over the bridge, on a thread of the UNO runtime.
class InteractionHandler : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    explicit InteractionHandler(std::shared_ptr<LoadDiagnosis> diagnosis)
        : diagnosis_(std::move(diagnosis)) {}

    void SAL_CALL
    handle(const css::uno::Reference<css::task::XInteractionRequest>& request) override;

private:
    std::shared_ptr<LoadDiagnosis> diagnosis_;
};

} // namespace zarta
