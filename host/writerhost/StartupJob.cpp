#include "host/writerhost/StartupJob.h"

#include "host/writerhost/WriterHost.h"

#include <cppuhelper/supportsservice.hxx>

namespace zarta::writerhost {

css::uno::Any StartupJob::execute(const css::uno::Sequence<css::beans::NamedValue>&) {
    WriterHost::start(context_);
    return {};
}

rtl::OUString StartupJob::getImplementationName() {
    return rtl::OUString::createFromAscii(implementationName);
}

sal_Bool StartupJob::supportsService(const rtl::OUString& name) {
    return cppu::supportsService(this, name);
}

css::uno::Sequence<rtl::OUString> StartupJob::getSupportedServiceNames() {
    const rtl::OUString service("com.sun.star.task.Job");
    return css::uno::Sequence<rtl::OUString>(&service, 1);
}

} // namespace zarta::writerhost
