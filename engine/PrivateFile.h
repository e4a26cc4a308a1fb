#pragma once

#include <string>
#include <string_view>

namespace zarta {

// Small files only this user can read (mode 0600), written so that no other local user can
// redirect the writing through a link or file planted at the name.
//
// Both functions throw std::system_error (a std::runtime_error) naming the file and the system's
// reason when the file cannot be written. Plain functions of the file system; any thread.
class PrivateFile {
public:
    // Writes text as the whole content of a new file `name` in the open folder `folder`. A file
    // already at that name is removed first, and the new one is created exclusively without
    // following a link.
    static void create(int folder, const std::string& name, std::string_view text);

    // Writes text as the whole content of `path`, replacing the file there in one step: the text
    // goes into a new file beside it (created as create() does), which is then renamed over
    // `path`, so a reader finds the old content or the new, never a part.
    static void replace(const std::string& path, std::string_view text);
};

} // namespace zarta
