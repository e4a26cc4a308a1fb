#pragma once

#include <com/sun/star/frame/XDispatch.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/lang/XInitialization.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase4.hxx>

namespace zarta::writerhost {

// The protocol handler of the host's toolbar buttons ("vnd.zarta.wordhost:click?button=N"):
// a press posts the button's Click to the office's main thread (so that it runs there, outside
// the toolbar's own handling, wherever the press came from); a status listener learns whether
// the button is enabled.
class ClickHandler
    : public cppu::WeakImplHelper4<css::frame::XDispatchProvider, css::frame::XDispatch,
                                   css::lang::XInitialization, css::lang::XServiceInfo> {
public:
    static constexpr const char* implementationName = "com.zarta.wordhost.ClickHandler";

    explicit ClickHandler(css::uno::Reference<css::uno::XComponentContext> context)
        : context_(std::move(context)) {}

    css::uno::Reference<css::frame::XDispatch> SAL_CALL queryDispatch(const css::util::URL& url,
                                                                      const rtl::OUString& target,
                                                                      sal_Int32 flags) override;
    css::uno::Sequence<css::uno::Reference<css::frame::XDispatch>> SAL_CALL
    queryDispatches(const css::uno::Sequence<css::frame::DispatchDescriptor>& requests) override;

    void SAL_CALL dispatch(const css::util::URL& url,
                           const css::uno::Sequence<css::beans::PropertyValue>& arguments) override;
    void SAL_CALL
    addStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                      const css::util::URL& url) override;
    void SAL_CALL
    removeStatusListener(const css::uno::Reference<css::frame::XStatusListener>& listener,
                         const css::util::URL& url) override;

    void SAL_CALL initialize(const css::uno::Sequence<css::uno::Any>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

    // The button number of a click URL, or -1.
    static int buttonOf(const rtl::OUString& url);

private:
    css::uno::Reference<css::uno::XComponentContext> context_;
};

} // namespace zarta::writerhost
