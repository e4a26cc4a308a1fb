#pragma once

#include <stdexcept>
#include <string>

namespace zarta {

// Finds the Ghostscript executable independently of the working directory.
//
// An install folder given by the caller comes first: "bin/gs", then "gs" inside it. Otherwise
// (no folder, or none of those in it) the first "gs" on the search path is taken; entries of the
// path that are not absolute are skipped, as they would depend on the working directory. Only a
// regular file this process may execute counts. The result is always absolute.
//
// A small value type; locate() looks afresh on every call and may run on any thread.
class GhostscriptLocator {
public:
    // Raised by locate() when there is no Ghostscript; the message says where it looked.
    class NotFound : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Searches the install folder (may be empty) and the PATH of this process.
    explicit GhostscriptLocator(std::string installFolder = {});
    // Searches the install folder and the given search path (":"-separated).
    GhostscriptLocator(std::string installFolder, std::string searchPath);

    std::string locate() const;

private:
    std::string installFolder_;
    std::string searchPath_;
};

} // namespace zarta
