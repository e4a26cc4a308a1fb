#include "platform/registry/ScriptRegistrar.h"

#include "platform/registry/RegistryError.h"

namespace zarta {

namespace {

// The parsed script with its replacements made; DISP_E_EXCEPTION when it cannot be read.
com::HRESULT prepare(std::string_view text, const ScriptRegistrar::Replacements& replacements,
                     RegistrationScript& script) {
    try {
        script = RegistrationScript::parse(text);
    } catch (const RegistrationScript::Error&) {
        return com::DISP_E_EXCEPTION;
    }
    script.substitute(replacements);
    return com::S_OK;
}

void setValues(RegistryKey& key, const std::vector<RegistryValue>& values) {
    for (const RegistryValue& value : values) {
        if (value.type == RegistryValue::Type::Dword) {
            key.setDword(value.name, value.number);
        } else {
            key.setString(value.name, value.text);
        }
    }
}

} // namespace

void ScriptRegistrar::registerKeys(RegistryKey& parent,
                                   const std::vector<RegistrationScript::Key>& keys) {
    for (const RegistrationScript::Key& entry : keys) {
        if (entry.forceRemove) {
            parent.removeSubkey(entry.name);
        }
        RegistryKey& key = parent.create(entry.name);
        setValues(key, entry.values);
        registerKeys(key, entry.subkeys);
    }
}

void ScriptRegistrar::unregisterKeys(RegistryKey& parent,
                                     const std::vector<RegistrationScript::Key>& keys) {
    for (const RegistrationScript::Key& entry : keys) {
        RegistryKey* key = parent.find(entry.name);
        if (key == nullptr) {
            continue;
        }
        unregisterKeys(*key, entry.subkeys);
        for (const RegistryValue& value : entry.values) {
            key->removeValue(value.name);
        }
        if (!entry.noRemove && key->empty()) {
            parent.removeSubkey(entry.name);
        }
    }
}

com::HRESULT ScriptRegistrar::registerServer(std::string_view text,
                                             const Replacements& replacements) const {
    RegistrationScript script;
    if (const com::HRESULT hr = prepare(text, replacements, script); com::FAILED(hr)) {
        return hr;
    }
    for (const RegistrationScript::Block& block : script.blocks()) {
        try {
            registry_.edit(block.hive, [&](RegistryKey& root) { registerKeys(root, block.keys); });
        } catch (const RegistryError& error) {
            try {
                registry_.edit(block.hive,
                               [&](RegistryKey& root) { unregisterKeys(root, block.keys); });
            } catch (const RegistryError&) {
                // The store refuses this block altogether; what it holds is what it held.
            }
            return com::HRESULT_FROM_WIN32(error.code());
        }
    }
    return com::S_OK;
}

com::HRESULT ScriptRegistrar::unregisterServer(std::string_view text,
                                               const Replacements& replacements) const {
    RegistrationScript script;
    if (const com::HRESULT hr = prepare(text, replacements, script); com::FAILED(hr)) {
        return hr;
    }
    com::HRESULT result = com::S_OK;
    for (const RegistrationScript::Block& block : script.blocks()) {
        try {
            registry_.edit(block.hive,
                           [&](RegistryKey& root) { unregisterKeys(root, block.keys); });
        } catch (const RegistryError& error) {
            if (com::SUCCEEDED(result)) {
                result = com::HRESULT_FROM_WIN32(error.code());
            }
        }
    }
    return result;
}

} // namespace zarta
