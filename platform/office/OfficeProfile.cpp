#include "platform/office/OfficeProfile.h"

#include "engine/PrivateFile.h"
#include "platform/office/FileUrl.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

constexpr int maxProfiles = 64;
// The profile's own printer driver, a copy of the office's generic one (see printerDriver()).
const std::string driverName = "ZARTAWORDTOPDF";

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void createPrivateFolders(const std::filesystem::path& folder) {
    if (folder.empty() || std::filesystem::is_directory(folder)) {
        return;
    }
    createPrivateFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        fail("Couldn't create the folder \"" + folder.string() + "\"");
    }
}

std::string readSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return content;
}

// A name no one can guess: 32 hexadecimal digits from the kernel's random numbers.
std::string randomHex() {
    unsigned char bytes[16];
    std::size_t done = 0;
    while (done < sizeof bytes) {
        const ssize_t got = ::getrandom(bytes + done, sizeof bytes - done, 0);
        if (got < 0 && errno != EINTR) {
            fail("No random numbers for the office profile's name");
        }
        done += got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char c : bytes) {
        text.push_back(hex[c >> 4]);
        text.push_back(hex[c & 0xF]);
    }
    return text;
}

// The folder of a profile slot in root: "profile-N-<random>", or "profile-N" as older versions
// of the program named it; empty when there is none yet.
std::string slotFolder(const std::string& root, const std::string& slot) {
    std::string found;
    DIR* folder = ::opendir(root.c_str());
    if (folder == nullptr) {
        return found;
    }
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        const bool renamed =
            name.size() == slot.size() + 33 && name.rfind(slot + "-", 0) == 0 &&
            name.find_first_not_of("0123456789abcdef", slot.size() + 1) == std::string::npos;
        struct stat status {};
        if ((renamed || name == slot) &&
            ::fstatat(::dirfd(folder), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(status.st_mode)) {
            found = root + "/" + name;
            break;
        }
    }
    ::closedir(folder);
    return found;
}

// Whether a list of NUL-separated entries (a command line, an environment) holds entry.
bool holdsEntry(const std::string& entries, const std::string& entry) {
    std::size_t start = 0;
    while (start < entries.size()) {
        const std::size_t stop = entries.find('\0', start);
        if (entries.compare(start, stop == std::string::npos ? stop : stop - start, entry) == 0) {
            return true;
        }
        if (stop == std::string::npos) {
            break;
        }
        start = stop + 1;
    }
    return false;
}

bool isRunning(pid_t pid) {
    // Gone, or a zombie: either way it holds nothing any more.
    const std::string stat = readSmallFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

} // namespace

OfficeProfile::OfficeProfile(const std::string& root, std::string printerName)
    : printerName_(std::move(printerName)) {
    if (root.empty()) {
        throw std::runtime_error("No folder was given for the office profiles");
    }
    createPrivateFolders(std::filesystem::path(root));
    struct stat status {};
    if (::stat(root.c_str(), &status) != 0) {
        fail("Couldn't use the folder \"" + root + "\"");
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        throw std::runtime_error("The folder \"" + root + "\" is not a folder of the current user");
    }
    if ((status.st_mode & 077) != 0 && ::chmod(root.c_str(), 0700) != 0) {
        fail("Couldn't make the folder \"" + root + "\" private");
    }

    for (int slot = 1; slot <= maxProfiles; ++slot) {
        const std::string base = "profile-" + std::to_string(slot);
        const std::string lockPath = root + "/" + base + ".lock";
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            fail("Couldn't open \"" + lockPath + "\"");
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lockFd_ = fd;
            root_ = root;
            slot_ = base;
            path_ = slotFolder(root, base);
            if (path_.empty()) {
                path_ = root + "/" + base + "-" + randomHex();
            }
            break;
        }
        ::close(fd);
        if (errno != EWOULDBLOCK) {
            fail("Couldn't lock \"" + lockPath + "\"");
        }
    }
    if (lockFd_ < 0) {
        throw std::runtime_error("Every office profile in \"" + root + "\" is in use");
    }
    createPrivateFolders(std::filesystem::path(path_) / "user" / "psprint");
    endAbandonedOffice();
}

OfficeProfile::~OfficeProfile() {
    ::close(lockFd_);
}

std::string OfficeProfile::url() const {
    return FileUrl::fromPath(path_);
}

void OfficeProfile::prepare() {
    // A new name at every start: the office names its single-instance pipe in the shared
    // temporary folder after its profile's path, so no one may know that path in advance.
    const std::string renamed = root_ + "/" + slot_ + "-" + randomHex();
    if (::rename(path_.c_str(), renamed.c_str()) != 0) {
        fail("Couldn't rename the office profile \"" + path_ + "\"");
    }
    path_ = renamed;
    const std::string driver = printerDriver(
        readSmallFile(ZARTA_OFFICE_PROGRAM_DIR "/../share/psprint/driver/SGENPRT.PS"));
    if (!driver.empty()) {
        createPrivateFolders(std::filesystem::path(path_) / "user" / "psprint" / "driver");
        PrivateFile::replace(path_ + "/user/psprint/driver/" + driverName + ".PS", driver);
    }
    PrivateFile::replace(
        path_ + "/user/psprint/psprint.conf",
        printerConfiguration(printerName_, driver.empty() ? "SGENPRT" : driverName));
    PrivateFile::replace(path_ + "/user/registrymodifications.xcu", settings());
    std::error_code ignored;
    std::filesystem::remove_all(temporaryFolder(), ignored);
    if (::mkdir(temporaryFolder().c_str(), 0700) != 0) {
        fail("Couldn't create \"" + temporaryFolder() + "\"");
    }
}

std::string OfficeProfile::printerDriver(const std::string& genericDriver) {
    // The office places every glyph and line of a print job on the printer's device grid. At
    // the generic driver's 300 dpi that moves text by up to a quarter point against the
    // document's layout; 1440 dpi is the twip grid Word documents are measured in, so positions
    // come through exactly.
    static const std::string line = "*DefaultResolution:";
    const std::size_t start = genericDriver.find("\n" + line);
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t end = genericDriver.find('\n', start + 1);
    return genericDriver.substr(0, start + 1) + line + " 1440dpi" +
           (end == std::string::npos ? "\n" : genericDriver.substr(end));
}

std::string OfficeProfile::printerConfiguration(const std::string& printerName,
                                                const std::string& driver) {
    // The command stays empty because jobs only ever go to files.
    return "[" + printerName +
           "]\n"
           "Printer=" +
           driver + "/" + printerName +
           "\n"
           "DefaultPrinter=1\n"
           "Location=\n"
           "Comment=\n"
           "Command=\n";
}

std::string OfficeProfile::settings() {
    // The discard port: below 1024, so no ordinary user can listen there.
    static constexpr const char* deadProxyHost = "127.0.0.1";
    static constexpr const char* deadProxyPort = "9";
    struct Setting {
        const char* path;
        const char* name;
        const char* value;
    };
    static constexpr Setting items[] = {
        // Print jobs in PDF form keep the text as text (with its Unicode mapping) through
        // Ghostscript; PostScript jobs lose it.
        {"/org.openoffice.Office.Common/Print/Option/Printer", "PDFAsStandardPrintJobFormat",
         "true"},
        {"/org.openoffice.Office.Common/Print/Option/File", "PDFAsStandardPrintJobFormat", "true"},
        // Documents come from anywhere: never run their macros, never fetch what they link to.
        {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
        {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
        {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
        {"/org.openoffice.Office.Writer/Content/Update", "Link", "0"},
        // Nothing is written beside the user's documents, not even lock files (a killed office
        // would leave them behind).
        {"/org.openoffice.Office.Common/Misc", "UseLocking", "false"},
        {"/org.openoffice.Office.Common/Misc", "UseDocumentOOoLockFile", "false"},
        {"/org.openoffice.Office.Common/Misc", "UseDocumentSystemFileLocking", "false"},
        // Nothing is ever edited: no recovery data, no autosave.
        {"/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false"},
        {"/org.openoffice.Office.Recovery/RecoveryInfo", "Enabled", "false"},
        {"/org.openoffice.Office.Common/Save/Document", "AutoSave", "false"},
        // Where the system gives the office no network namespace of its own, whatever it would
        // fetch (a document's linked pictures) goes to a proxy on a port of this machine that
        // only the administrator could listen on, which refuses the connection: nothing leaves,
        // not even a name lookup.
        {"/org.openoffice.Inet/Settings", "ooInetProxyType", "1"},
        {"/org.openoffice.Inet/Settings", "ooInetNoProxy", ""},
        {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyName", deadProxyHost},
        {"/org.openoffice.Inet/Settings", "ooInetHTTPProxyPort", deadProxyPort},
        {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyName", deadProxyHost},
        {"/org.openoffice.Inet/Settings", "ooInetHTTPSProxyPort", deadProxyPort},
        {"/org.openoffice.Inet/Settings", "ooInetFTPProxyName", deadProxyHost},
        {"/org.openoffice.Inet/Settings", "ooInetFTPProxyPort", deadProxyPort},
        // No network traffic of its own, no reports.
        {"/org.openoffice.Office.Update/Update", "Enabled", "false"},
        {"/org.openoffice.Office.Common/Misc", "CrashReport", "false"},
        {"/org.openoffice.Office.Common/Misc", "FirstRun", "false"},
    };
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
                       "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    for (const Setting& item : items) {
        text += std::string("<item oor:path=\"") + item.path + "\"><prop oor:name=\"" + item.name +
                "\" oor:op=\"fuse\"><value>" + item.value + "</value></prop></item>\n";
    }
    text += "</oor:items>\n";
    return text;
}

void OfficeProfile::endAbandonedOffice() const {
    // An office of ours whose process died keeps running with the profile; find it by the
    // profile in its environment (or on its command line, where older versions put it).
    const std::string variable = "UserInstallation=" + url();
    const std::string argument = "-env:" + variable;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return;
    }
    std::vector<pid_t> abandoned;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == ::getpid()) {
            continue;
        }
        const std::string folder = std::string("/proc/") + entry->d_name;
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0 || status.st_uid != ::geteuid()) {
            continue;
        }
        if (holdsEntry(readSmallFile(folder + "/environ"), variable) ||
            holdsEntry(readSmallFile(folder + "/cmdline"), argument)) {
            abandoned.push_back(static_cast<pid_t>(pid));
        }
    }
    ::closedir(proc);
    for (pid_t pid : abandoned) {
        ::kill(pid, SIGKILL);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (pid_t pid : abandoned) {
        while (isRunning(pid) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

} // namespace zarta
