#pragma once

#include "platform/registry/RegistryHive.h"
#include "platform/registry/RegistryKey.h"

#include <functional>
#include <string>

namespace zarta {

// The registry: one file per hive in the registry export format (RegFile).
//
// HKEY_CLASSES_ROOT and HKEY_CURRENT_USER are the user's, in the user folder; HKEY_LOCAL_MACHINE
// is read from the machine folder, which the installation writes, and is never written here.
//
// Every change is one edit(): under an exclusive lock on the user folder's lock file (flock,
// so it is held across processes and dropped when a process dies), the hive file is read
// afresh, changed in memory and written back atomically (a temporary file beside it, flushed
// to disk, then renamed over it). Two processes changing different keys at once therefore keep
// both changes, and a reader, which takes no lock, sees either the old file or the new one.
// A file that cannot be read or is damaged is reported, never taken as empty, so it is never
// overwritten. Instances are cheap values; any thread.
class Registry {
public:
    // Moves the whole registry (all three hive files) into the folder it names; for tests.
    static constexpr const char* relocationVariable = "ZARTA_REGISTRY_DIR";

    Registry(std::string userFolder, std::string machineFolder);

    // The registry of the user running the program: $ZARTA_REGISTRY_DIR when set; otherwise the
    // user hives in $XDG_CONFIG_HOME/ZartaWordToPDF/registry (~/.config when the variable is
    // unset or relative) and HKEY_LOCAL_MACHINE in the installation's etc/ZartaWordToPDF/registry.
    static Registry forCurrentUser();

    const std::string& userFolder() const { return userFolder_; }
    // The file of a hive, e.g. <user folder>/HKEY_CURRENT_USER.reg.
    std::string hiveFile(RegistryHive hive) const;

    // The hive as stored now; an empty hive when its file does not exist. Throws RegistryError:
    // damaged for a file RegFile cannot read, cannotRead (or accessDenied) when it cannot be read.
    RegistryKey read(RegistryHive hive) const;

    // Applies `change` to the hive's root key and stores the result, as described above. An
    // exception from `change` leaves the file as it was and propagates. Throws RegistryError:
    // accessDenied for HKEY_LOCAL_MACHINE and for a file the user may not write, the errors of
    // read(), and cannotWrite when the folder, lock or file cannot be written.
    void edit(RegistryHive hive, const std::function<void(RegistryKey& root)>& change) const;

private:
    std::string userFolder_;
    std::string machineFolder_;
};

} // namespace zarta
