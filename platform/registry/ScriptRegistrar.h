#pragma once

#include "platform/com/HResult.h"
#include "platform/registry/RegistrationScript.h"
#include "platform/registry/Registry.h"

namespace zarta {

// Applies a registration script to the registry, as a server's self-registration does.
//
// Registration writes the blocks in script order, each root block as one registry edit: keys
// marked ForceRemove are first deleted with everything below them. When a block fails, its
// entries are removed again by the unregistration rules and the error is returned; blocks
// completed before stay, later ones are not written.
//
// Unregistration visits every key of the script from the innermost outward: it deletes the
// values the script names (ignoring those already gone), and then deletes the key when nothing
// is left in it, neither subkeys nor values, unless it is marked NoRemove. Keys the script
// shares with other programs (Software, CLSID) thus stay as long as anything else is in them.
// A block that cannot be edited does not stop the others; the first error is returned.
//
// Results: S_OK; DISP_E_EXCEPTION for a script that cannot be read (a key name holding "\"
// included), before anything is written; otherwise the registry error as
// HRESULT_FROM_WIN32(code). Any thread; each edit is serialised by the registry itself.
class ScriptRegistrar {
public:
    using Replacements = std::vector<std::pair<std::string, std::string>>;

    explicit ScriptRegistrar(Registry registry) : registry_(std::move(registry)) {}

    com::HRESULT registerServer(std::string_view script, const Replacements& replacements) const;
    com::HRESULT unregisterServer(std::string_view script, const Replacements& replacements) const;

    // The rules above on one block in memory, for the registrar itself and for callers that
    // combine them with edits of their own.
    static void registerKeys(RegistryKey& parent, const std::vector<RegistrationScript::Key>& keys);
    static void unregisterKeys(RegistryKey& parent,
                               const std::vector<RegistrationScript::Key>& keys);

private:
    Registry registry_;
};

} // namespace zarta
