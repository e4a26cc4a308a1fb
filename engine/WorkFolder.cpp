#include "WorkFolder.h"

#include "ConversionError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace zarta {

namespace {

void createPrivateFolders(const std::filesystem::path& folder) {
    if (folder.empty() || std::filesystem::is_directory(folder)) {
        return;
    }
    createPrivateFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw ConversionError("Couldn't create the folder \"" + folder.string() +
                              "\": " + std::strerror(errno));
    }
}

} // namespace

WorkFolder::WorkFolder(const std::string& dataFolder) {
    createPrivateFolders(std::filesystem::path(dataFolder));
    std::string pattern = dataFolder + "/conversion-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) {
        throw ConversionError("Couldn't create a work folder in \"" + dataFolder +
                              "\": " + std::strerror(errno));
    }
    path_.assign(buffer.data());
}

WorkFolder::~WorkFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace zarta
