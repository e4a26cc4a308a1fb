#include "platform/service/ServiceAddress.h"

#include "platform/folders/DataFolders.h"
#include "platform/service/ServiceError.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace zarta {

std::string ServiceAddress::folder() {
    // Beside the desktop program's single-copy lock, which is a file of the program's name.
    return DataFolders::runtimeFolder() + "/" + DataFolders::programFolder + "-service";
}

void ServiceAddress::prepare(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        throw ServiceError("can't create the folder \"" + folder + "\": " + std::strerror(errno));
    }
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        throw ServiceError("can't use the folder \"" + folder + "\": " + std::strerror(errno));
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() || (status.st_mode & 077) != 0) {
        throw ServiceError("the folder \"" + folder +
                           "\" is not a private folder of this user (it must be a folder of "
                           "its own with mode 0700)");
    }
}

} // namespace zarta
