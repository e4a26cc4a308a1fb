#pragma once

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <string>

namespace zarta {

// The UNO runtime inside this process: the local component context every connection to an
// office is made from, and conversions between the program's UTF-8 texts and UNO's.
//
// context() bootstraps once per process (thread-safe) from the office installation's own
// bootstrap files and keeps the context for the process's lifetime. It also sets SIGPIPE to be
// ignored when it still has its default action, so that writing to an office that has just died
// fails with an error instead of ending the process.
class UnoRuntime {
public:
    // Throws std::runtime_error when the runtime cannot be bootstrapped.
    static css::uno::Reference<css::uno::XComponentContext>
    context(const std::string& programFolder);

    static rtl::OUString toUno(const std::string& text);
    static std::string fromUno(const rtl::OUString& text);

    // A local path as the office's file URL (made absolute first when relative), byte for byte
    // (see FileUrl).
    static rtl::OUString fileUrl(const std::string& path);

    // The message of a UNO exception, for diagnostics.
    static std::string describe(const css::uno::Exception& error);

    // Closes a document of the office by force: closes it, or disposes of it when it cannot be
    // closed (it offers no closing, or something in the office vetoes it). Throws what the office
    // throws otherwise. A remote call: make it where calls to the office are guarded.
    static void closeDocument(const css::uno::Reference<css::lang::XComponent>& document);
};

} // namespace zarta
