#pragma once

#include "engine/WordVariant.h"

#include <array>
#include <optional>
#include <string>

namespace zarta {

// Reads the positional arguments of the Word calls the provider implements into what the office
// is asked to do. An argument the office can honour is mapped; an argument left Missing takes
// Word's default; a value the office cannot honour (printing to a real printer, saving changes,
// a page range, a conversion dialog...) is refused with WordError Kind::CallFailed naming the
// argument, rather than being silently ignored.
//
// Stateless; thread-safe.
class WordArguments {
public:
    // Documents.Open.
    struct OpenRequest {
        std::string fileName;
        bool readOnly = false;
        std::optional<std::string> password; // PasswordDocument; absent when Missing
        std::optional<bool> addToRecentFiles;
    };

    // Document.PrintOut.
    struct PrintRequest {
        std::string outputFileName;
        bool background = true;
    };

    static OpenRequest open(const std::array<WordVariant, 12>& arguments);
    static PrintRequest printOut(const std::array<WordVariant, 18>& arguments);
    // Document.Close and Application.Quit (SaveChanges, OriginalFormat, RouteDocument): only
    // "do not save" is possible, since documents are always opened read-only.
    static void closeOrQuit(const std::array<WordVariant, 3>& arguments, const char* member);
};

} // namespace zarta
