#include "host/writerhost/ClickHandler.h"

#include "host/writerhost/WriterBackend.h"
#include "host/writerhost/WriterHost.h"

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <com/sun/star/frame/DispatchDescriptor.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <cppuhelper/implbase1.hxx>
#include <cppuhelper/supportsservice.hxx>

namespace zarta::writerhost {

namespace {

using namespace css;
using uno::Reference;

// Runs a button's Click when the office's main thread comes to it.
class PostedClick : public cppu::WeakImplHelper1<awt::XCallback> {
public:
    explicit PostedClick(int button) : button_(button) {}
    void SAL_CALL notify(const uno::Any&) override {
        if (const auto host = WriterHost::current(); host.is()) {
            host->click(button_);
        }
    }

private:
    int button_;
};

} // namespace

int ClickHandler::buttonOf(const rtl::OUString& url) {
    const rtl::OUString prefix = rtl::OUString::createFromAscii(WriterBackend::clickCommand);
    if (!url.startsWith(prefix)) {
        return -1;
    }
    const rtl::OUString number = url.copy(prefix.getLength());
    if (number.isEmpty() || number.getLength() > 9) {
        return -1;
    }
    for (sal_Int32 i = 0; i < number.getLength(); ++i) {
        if (number[i] < '0' || number[i] > '9') {
            return -1;
        }
    }
    return number.toInt32();
}

Reference<frame::XDispatch> ClickHandler::queryDispatch(const util::URL& url, const rtl::OUString&,
                                                        sal_Int32) {
    return buttonOf(url.Complete) >= 0 ? this : nullptr;
}

uno::Sequence<Reference<frame::XDispatch>>
ClickHandler::queryDispatches(const uno::Sequence<frame::DispatchDescriptor>& requests) {
    uno::Sequence<Reference<frame::XDispatch>> found(requests.getLength());
    auto* out = found.getArray();
    for (sal_Int32 i = 0; i < requests.getLength(); ++i) {
        out[i] =
            queryDispatch(requests[i].FeatureURL, requests[i].FrameName, requests[i].SearchFlags);
    }
    return found;
}

void ClickHandler::dispatch(const util::URL& url, const uno::Sequence<beans::PropertyValue>&) {
    const int button = buttonOf(url.Complete);
    if (button < 0) {
        return;
    }
    awt::AsyncCallback::create(context_)->addCallback(new PostedClick(button), uno::Any());
}

void ClickHandler::addStatusListener(const Reference<frame::XStatusListener>& listener,
                                     const util::URL& url) {
    const int button = buttonOf(url.Complete);
    if (!listener.is() || button < 0) {
        return;
    }
    const auto host = WriterHost::current();
    frame::FeatureStateEvent state;
    state.Source = static_cast<cppu::OWeakObject*>(this);
    state.FeatureURL = url;
    state.IsEnabled = !host.is() || host->isEnabled(button);
    state.Requery = false;
    listener->statusChanged(state);
}

void ClickHandler::removeStatusListener(const Reference<frame::XStatusListener>&,
                                        const util::URL&) {}

void ClickHandler::initialize(const uno::Sequence<uno::Any>&) {}

rtl::OUString ClickHandler::getImplementationName() {
    return rtl::OUString::createFromAscii(implementationName);
}

sal_Bool ClickHandler::supportsService(const rtl::OUString& name) {
    return cppu::supportsService(this, name);
}

uno::Sequence<rtl::OUString> ClickHandler::getSupportedServiceNames() {
    const rtl::OUString service("com.sun.star.frame.ProtocolHandler");
    return css::uno::Sequence<rtl::OUString>(&service, 1);
}

} // namespace zarta::writerhost
