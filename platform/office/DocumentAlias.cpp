#include "platform/office/DocumentAlias.h"

#include "engine/OutputNaming.h"
#include "engine/Utf8.h"
#include "engine/WordError.h"
#include "engine/WordFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

// The longest name a folder holds on the usual Linux file systems.
constexpr std::size_t longestName = 255;

} // namespace

DocumentAlias::DocumentAlias(const std::string& documentPath, const std::string& privateFolder)
    : path_(documentPath) {
    if (Utf8::isValid(documentPath)) {
        return;
    }
    const std::string absolute =
        std::filesystem::absolute(documentPath).lexically_normal().string();
    std::string name = Utf8::withInvalidReplaced(OutputNaming::fileName(absolute));
    if (name.size() > longestName) {
        // Each replaced byte takes three: a long name may no longer fit.
        const std::string extension = WordFiles::extension(absolute);
        name = Utf8::isValid(extension) ? "document." + extension : "document";
    }
    std::string pattern = privateFolder + "/document-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const auto failure = [](int error) {
        return WordError(WordError::Kind::CannotOpen,
                         "the word processor cannot be given its name (" +
                             std::string(std::strerror(error)) + ")");
    };
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw failure(errno);
    }
    const std::string folder = buffer.data();
    const std::string link = folder + "/" + name;
    if (::symlink(absolute.c_str(), link.c_str()) != 0) {
        const int error = errno;
        ::rmdir(folder.c_str());
        throw failure(error);
    }
    folder_ = folder;
    path_ = link;
}

DocumentAlias::~DocumentAlias() {
    if (!folder_.empty()) {
        ::unlink(path_.c_str());
        ::rmdir(folder_.c_str());
    }
}

} // namespace zarta
