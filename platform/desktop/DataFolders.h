#pragma once

#include <string>

namespace zarta {

// Where the program keeps its private files, following the freedesktop base-directory rules.
// Plain functions of the environment; thread-safe as long as nobody changes the environment.
class DataFolders {
public:
    static constexpr const char* programFolder = "ZartaWordToPDF";

    // $XDG_DATA_HOME/ZartaWordToPDF, or ~/.local/share/ZartaWordToPDF: intermediate files and
    // the word processor's private profile. Not created here.
    static std::string dataFolder();

    // $XDG_RUNTIME_DIR, or the data folder when the session has no runtime folder: where the
    // single-copy lock lives.
    static std::string runtimeFolder();

    // Creates folder and its missing parents with mode 0700 and tightens folder itself to 0700.
    // Returns false when that fails.
    static bool createPrivate(const std::string& folder);
};

} // namespace zarta
