#pragma once

#include <string>

namespace zarta {

// A private office profile (the office's user installation) under the program's profile root,
// reserved for one office of this process while the object lives.
//
// Profiles are folders "profile-1-<random>", "profile-2-<random>", ... of the root; a lock file
// beside each ("profile-N.lock", held with flock) says which are in use, so that two offices
// never share a profile (an office handed a profile already in use would pass its work to the
// other office and quit). Each start renames the folder to a new random name (see prepare()).
// Profiles stay for the next run, which keeps later starts warm. An office left running in a
// profile by a process that died is ended when the profile is reserved again.
//
// Owned by one thread. Throws std::runtime_error when the root cannot be made private or no
// profile can be reserved.
class OfficeProfile {
public:
    // Creates root (and missing parents) with mode 0700; refuses a root owned by another user and
    // takes group and other permissions away from it.
    OfficeProfile(const std::string& root, std::string printerName);
    OfficeProfile(const OfficeProfile&) = delete;
    OfficeProfile& operator=(const OfficeProfile&) = delete;
    ~OfficeProfile();

    // The profile folder, and the same as a file URL (the office's UserInstallation). Both
    // change with each prepare().
    const std::string& path() const { return path_; }
    std::string url() const;
    // A private folder for the office's temporary files, emptied by prepare().
    std::string temporaryFolder() const { return path_ + "/tmp"; }
    // Where the office's own output (standard output and error) goes.
    std::string logFile() const { return path_ + "/office.log"; }

    // Writes the printer definition (its driver derived from the office's generic PostScript
    // driver, or that driver itself where the office has none to derive from) and the settings
    // the provider relies on (PDF print jobs, macros never run, no remote content, no lock
    // files, no recovery or update checks), replacing whatever the last office left there, and
    // empties the temporary folder. Called before each start. First renames the profile folder
    // to a new random name: the office names its single-instance pipe in the shared temporary
    // folder after the profile's path, so another user who knew the path could take that name
    // first and keep every office from starting. The folder lies in the private data folder and
    // the office is told its path through its environment, so nobody else learns it.
    void prepare();

    // The texts prepare() writes: the printer list naming printerName with a driver (a driver
    // file's base name), and the settings.
    static std::string printerConfiguration(const std::string& printerName,
                                            const std::string& driver);
    static std::string settings();
    // The generic driver's text with its default resolution raised to 1440 dpi; empty when the
    // text has no default resolution.
    static std::string printerDriver(const std::string& genericDriver);

private:
    void endAbandonedOffice() const;

    std::string root_;
    std::string slot_; // "profile-N"
    std::string path_;
    std::string printerName_;
    int lockFd_ = -1;
};

} // namespace zarta
