#pragma once

#include "platform/com/HResult.h"
#include "platform/registry/Registry.h"

#include <string>
#include <string_view>

namespace zarta::addin {

// The add-in's registry entries and their registration with the type library's.
class WordAddinRegistration {
public:
    // The registration script: the ProgIDs, the class with its server ("%MODULE%"), and the
    // word processor's add-in entry for the user who registers.
    static std::string_view script();

    // Writes the script's entries with "%MODULE%" replaced by `modulePath`, then registers the
    // type library. A failing block of the script is rolled back and its error returned; the
    // type library is then not registered.
    static com::HRESULT registerServer(const Registry& registry, const std::string& modulePath);

    // Removes the script's entries and the type library's; both are attempted, the first
    // error is returned. What is already gone is no error.
    static com::HRESULT unregisterServer(const Registry& registry, const std::string& modulePath);
};

} // namespace zarta::addin
