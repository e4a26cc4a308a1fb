// The entry points through which the office's shared-library loader creates the host's
// services: the start-up job and the buttons' protocol handler.

#include "host/writerhost/ClickHandler.h"
#include "host/writerhost/StartupJob.h"

#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <cppuhelper/factory.hxx>
#include <uno/environment.h>
#include <uno/lbnames.h>

namespace {

using namespace css;

uno::Sequence<rtl::OUString> oneName(const char* name) {
    const rtl::OUString text = rtl::OUString::createFromAscii(name);
    return uno::Sequence<rtl::OUString>(&text, 1);
}

uno::Reference<uno::XInterface>
    SAL_CALL createStartupJob(const uno::Reference<uno::XComponentContext>& context) {
    return static_cast<cppu::OWeakObject*>(new zarta::writerhost::StartupJob(context));
}

uno::Reference<uno::XInterface>
    SAL_CALL createClickHandler(const uno::Reference<uno::XComponentContext>& context) {
    return static_cast<cppu::OWeakObject*>(new zarta::writerhost::ClickHandler(context));
}

} // namespace

extern "C" SAL_DLLPUBLIC_EXPORT void
component_getImplementationEnvironment(const char** environmentName, uno_Environment**) {
    *environmentName = CPPU_CURRENT_LANGUAGE_BINDING_NAME;
}

extern "C" SAL_DLLPUBLIC_EXPORT void* component_getFactory(const char* implementation, void*,
                                                           void*) {
    uno::Reference<lang::XSingleComponentFactory> factory;
    const std::string name = implementation;
    if (name == zarta::writerhost::StartupJob::implementationName) {
        factory = cppu::createSingleComponentFactory(&createStartupJob,
                                                     rtl::OUString::createFromAscii(implementation),
                                                     oneName("com.sun.star.task.Job"));
    } else if (name == zarta::writerhost::ClickHandler::implementationName) {
        factory = cppu::createSingleComponentFactory(&createClickHandler,
                                                     rtl::OUString::createFromAscii(implementation),
                                                     oneName("com.sun.star.frame.ProtocolHandler"));
    }
    if (!factory.is()) {
        return nullptr;
    }
    factory->acquire();
    return factory.get();
}
