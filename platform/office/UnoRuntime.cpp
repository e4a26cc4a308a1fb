#include "platform/office/UnoRuntime.h"

#include "platform/office/FileUrl.h"

#include <com/sun/star/util/CloseVetoException.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <csignal>
#include <filesystem>
#include <mutex>
#include <stdexcept>

namespace zarta {

namespace {

std::mutex bootstrapMutex;
// Deliberately never released: tearing the UNO runtime down while the process exits (with
// bridges' threads possibly still ending) is a known way to crash at exit.
css::uno::Reference<css::uno::XComponentContext>* localContext = nullptr;

} // namespace

css::uno::Reference<css::uno::XComponentContext>
UnoRuntime::context(const std::string& programFolder) {
    std::lock_guard lock(bootstrapMutex);
    if (localContext != nullptr) {
        return *localContext;
    }
    // Without an explicit bootstrap file the runtime looks for one beside this executable and
    // fails (or crashes) when there is none; the office's own describes its types and services.
    rtl::Bootstrap::set("URE_BOOTSTRAP",
                        toUno("vnd.sun.star.pathname:" + programFolder + "/fundamentalrc"));
    // The connection to an office writes to a socket without guarding against the office
    // having gone: without this, an office that dies at the wrong moment takes this process
    // with it (SIGPIPE). A handler the program installed itself stays.
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        ::signal(SIGPIPE, SIG_IGN);
    }
    css::uno::Reference<css::uno::XComponentContext> context;
    try {
        context = cppu::defaultBootstrap_InitialComponentContext();
    } catch (const css::uno::Exception& error) {
        throw std::runtime_error("Couldn't start the UNO runtime: " + describe(error));
    }
    if (!context.is()) {
        throw std::runtime_error("Couldn't start the UNO runtime");
    }
    localContext = new css::uno::Reference<css::uno::XComponentContext>(context);
    return context;
}

rtl::OUString UnoRuntime::toUno(const std::string& text) {
    return rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

std::string UnoRuntime::fromUno(const rtl::OUString& text) {
    const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

rtl::OUString UnoRuntime::fileUrl(const std::string& path) {
    // Built from the path's bytes: going through UNO's text first would turn every byte that
    // is not UTF-8 into U+FFFD and so name another file.
    return toUno(FileUrl::fromPath(std::filesystem::absolute(path).lexically_normal().string()));
}

std::string UnoRuntime::describe(const css::uno::Exception& error) {
    return fromUno(error.Message);
}

void UnoRuntime::closeDocument(const css::uno::Reference<css::lang::XComponent>& document) {
    const css::uno::Reference<css::util::XCloseable> closeable(document, css::uno::UNO_QUERY);
    try {
        if (closeable.is()) {
            closeable->close(true);
            return;
        }
    } catch (const css::util::CloseVetoException&) {
        // Something in the office still uses it: end it regardless.
    }
    document->dispose();
}

} // namespace zarta
