#include "platform/office/InteractionHandler.h"

#include <com/sun/star/document/BrokenPackageRequest.hpp>
#include <com/sun/star/task/ErrorCodeIOException.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionDisapprove.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>

namespace zarta {

namespace {

// Selects the first continuation of type Choice; false when the request offers none.
template <typename Choice>
bool choose(const css::uno::Sequence<css::uno::Reference<css::task::XInteractionContinuation>>&
                continuations) {
    for (const auto& continuation : continuations) {
        css::uno::Reference<Choice> choice(continuation, css::uno::UNO_QUERY);
        if (choice.is()) {
            choice->select();
            return true;
        }
    }
    return false;
}

} // namespace

void SAL_CALL
InteractionHandler::handle(const css::uno::Reference<css::task::XInteractionRequest>& request) {
    if (!request.is()) {
        return;
    }
    const css::uno::Any what = request->getRequest();
    const auto continuations = request->getContinuations();

    // Every password request of the office (documents, Microsoft formats, with or without a
    // password to modify) derives from PasswordRequest.
    css::task::PasswordRequest password;
    if (what >>= password) {
        diagnosis_->passwordRequested();
        choose<css::task::XInteractionAbort>(continuations);
        return;
    }
    css::document::BrokenPackageRequest broken;
    if (what >>= broken) {
        diagnosis_->brokenPackage();
        if (!choose<css::task::XInteractionDisapprove>(continuations)) {
            choose<css::task::XInteractionAbort>(continuations);
        }
        return;
    }
    css::task::ErrorCodeRequest error;
    if (what >>= error) {
        diagnosis_->errorCode(static_cast<std::uint32_t>(error.ErrCode));
    }
    css::task::ErrorCodeIOException ioError;
    if (what >>= ioError) {
        diagnosis_->errorCode(static_cast<std::uint32_t>(ioError.ErrCode));
    }
    if (!choose<css::task::XInteractionApprove>(continuations)) {
        choose<css::task::XInteractionAbort>(continuations);
    }
}

} // namespace zarta
