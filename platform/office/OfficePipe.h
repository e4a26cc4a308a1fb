#pragma once

#include "engine/FileDescriptor.h"

#include <string>
#include <sys/types.h>

namespace zarta {

// The private pipe an office listens on. The office's runtime puts its pipes into a shared
// temporary folder (/tmp, or /var/tmp where /tmp cannot be written) as "OSL_PIPE_<uid>_<name>",
// where every local user can create files, and the name is readable from the office's command
// line. So the name handed to the office holds a folder: this object first creates a folder
// "OSL_PIPE_<uid>_zarta<random>" there (mode 0700, under a name nobody had, refusing a temporary
// folder that is not sticky), and the office's socket is "s" inside it. No other user can create
// anything in that folder, nor rename or remove it from the sticky folder, so nobody can take the
// pipe's name before the office, however well they know it.
//
// Owns the folder: the destructor removes it with whatever the office left in it. Not copyable.
// connect() may be called from any thread.
class OfficePipe {
public:
    // A pipe in a new folder in the temporary folder the office's runtime uses. Throws
    // std::runtime_error saying why when the folder cannot be made private.
    OfficePipe();
    // The same in the given temporary folder (tests).
    explicit OfficePipe(const std::string& temporaryFolder);
    OfficePipe(const OfficePipe&) = delete;
    OfficePipe& operator=(const OfficePipe&) = delete;
    ~OfficePipe();

    // What the office is given as the pipe's name ("--accept=pipe,name=..."): the folder's name
    // after the runtime's prefix, a slash and the socket's name.
    const std::string& name() const { return name_; }
    // The socket's path.
    std::string path() const;

    // A connected stream socket (owned by the caller) once the office listens on the pipe and
    // the process at the other end is the office (its SO_PEERCRED pid); -1 until then. Reaches
    // the socket through the open folder.
    int connect(pid_t office) const;

    // Removes what this program's killed offices left in folder: pipe folders (and, from older
    // versions of the program, bare sockets) of ours with a name made by this class, made more
    // than ten seconds ago, whose socket nobody listens on. Returns how many it removed.
    static int removeLeftovers(const std::string& folder);
    // The folder the office's runtime puts its pipes in.
    static std::string runtimeFolder();

    // The single-instance pipe an office with the given profile (its file URL) binds in
    // runtimeFolder(): named after the MD5 of the URL, each byte in hexadecimal without leading
    // zeros. Removes it when it is a socket of this user that nobody listens on, as an office
    // that was killed leaves it; every start of a profile has a new path (OfficeProfile), so
    // these names would pile up otherwise.
    static std::string singleInstancePipe(const std::string& profileUrl);
    static void removeSingleInstancePipe(const std::string& profileUrl);

private:
    std::string temporaryFolder_;
    std::string folderName_; // "OSL_PIPE_<uid>_zarta<random>"
    std::string name_;       // "zarta<random>/s"
    FileDescriptor folder_;
};

} // namespace zarta
