#pragma once

#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/XJob.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/implbase2.hxx>

namespace zarta::writerhost {

// The job the office runs at its start (configured for the start-up event): starts the add-in
// host. Office main thread.
class StartupJob : public cppu::WeakImplHelper2<css::task::XJob, css::lang::XServiceInfo> {
public:
    static constexpr const char* implementationName = "com.zarta.wordhost.StartupJob";

    explicit StartupJob(css::uno::Reference<css::uno::XComponentContext> context)
        : context_(std::move(context)) {}

    css::uno::Any SAL_CALL
    execute(const css::uno::Sequence<css::beans::NamedValue>& arguments) override;

    rtl::OUString SAL_CALL getImplementationName() override;
    sal_Bool SAL_CALL supportsService(const rtl::OUString& name) override;
    css::uno::Sequence<rtl::OUString> SAL_CALL getSupportedServiceNames() override;

private:
    css::uno::Reference<css::uno::XComponentContext> context_;
};

} // namespace zarta::writerhost
