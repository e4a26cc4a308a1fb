#pragma once

#include <optional>
#include <string>

namespace zarta::com {

// Whether a file is one that only this user and the system can change, so that loading code
// from it (an add-in's module) or taking instructions from it (the registry file naming that
// module) cannot hand this process to another local user. As ssh checks its files: the file
// and every folder on the way to it, links followed (the folder holding each link included),
// belong to this user or root and may be written by no one else (neither group nor others). A
// folder others may write is allowed only where it is sticky (as /tmp is) and the entry in it
// belongs to this user or root, since others can then neither rename nor replace that entry.
//
// Plain functions of the file system; any thread.
class TrustedFile {
public:
    // Empty when the file can be trusted; otherwise why not, naming the path at fault, e.g.
    // `the folder "/srv/shared" can be written by other users (mode 0777)`.
    static std::optional<std::string> problem(const std::string& path);
};

} // namespace zarta::com
