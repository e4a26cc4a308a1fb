#pragma once

#include "engine/ProductNames.h"

#include <stdexcept>
#include <string>

namespace zarta {

// Where the program keeps its private files, following the freedesktop base-directory rules.
// Plain functions of the environment; thread-safe as long as nobody changes the environment.
class DataFolders {
public:
    static constexpr const char* programFolder = ProductNames::program.data();

    // $XDG_DATA_HOME/ZartaWordToPDF, or ~/.local/share/ZartaWordToPDF: intermediate files and
    // the word processor's private profile. Links in the part above ZartaWordToPDF that exists
    // are resolved, so the path names the folders prepare() checks. Not created here.
    static std::string dataFolder();

    // $XDG_RUNTIME_DIR, or the data folder when the session has no runtime folder: where the
    // single-copy lock lives.
    static std::string runtimeFolder();

    // Raised by prepare() when the folder cannot be used safely; what() says why.
    class Refused : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Makes the data folder ready at program start: creates it (and its missing parents) with
    // mode 0700, makes sure it is private, then removes the work folders of conversions that
    // no running copy of the program holds any more (WorkFolder::removeLeftovers), with the
    // staged PDFs they left beside their final names.
    //
    // Private means: a real folder (not a link), owned by this user, writable by no one else,
    // and holding only entries of this user; group and other read access of an older folder
    // is taken away. Every folder above it, from the root down, must be one no other user can
    // change (as ssh checks its files): owned by this user or root and writable by neither the
    // group nor others, except a sticky folder such as /tmp, which is allowed where the folder
    // right below it is this user's (others cannot rename what they do not own there). So no
    // other user can ever rename the data folder or a folder above it, and the paths below it
    // stay the program's for the whole run. The path is walked through open folders without
    // following links. Anything else could let another user read or swap the intermediate
    // files of a conversion, so prepare() then throws Refused, naming the folder and saying
    // what is wrong (owner, mode). Call it from every front end before it converts anything,
    // with the path the program then works with (dataFolder()).
    static void prepare(const std::string& folder);
};

} // namespace zarta
