#include "addin/dialog/InstallFolder.h"

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryError.h"

#include <mutex>

namespace zarta::addin {

namespace {

std::mutex mutex;
std::string folder;

} // namespace

void InstallFolder::refresh(const Registry& registry) {
    std::string found;
    try {
        const RegistryKey machine = registry.read(RegistryHive::LocalMachine);
        const RegistryKey* key = machine.find(keyPath);
        if (key == nullptr) {
            return;
        }
        const RegistryValue* value = key->value(valueName);
        if (value != nullptr && value->type == RegistryValue::Type::String) {
            found = value->text;
        }
    } catch (const RegistryError&) {
        return;
    }
    const std::lock_guard lock(mutex);
    folder = std::move(found);
}

std::string InstallFolder::current() {
    const std::lock_guard lock(mutex);
    return folder;
}

} // namespace zarta::addin
