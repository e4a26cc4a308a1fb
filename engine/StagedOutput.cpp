#include "StagedOutput.h"

#include "ConversionError.h"
#include "OutputNaming.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zarta {

namespace {

// The process's file-creation mask, read without changing it (umask() would, racily).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
        }
    }
    return 022;
}

std::string systemError(int error) {
    return std::strerror(error);
}

} // namespace

StagedOutput::StagedOutput(std::string finalPath) : finalPath_(std::move(finalPath)) {
    const auto slash = finalPath_.rfind(OutputNaming::separator);
    const std::string folder =
        slash == std::string::npos ? std::string() : finalPath_.substr(0, slash + 1);
    std::string pattern = folder + "." + OutputNaming::fileName(finalPath_) + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        throw ConversionError("Couldn't create the PDF file \"" + finalPath_ +
                              "\": " + systemError(errno));
    }
    // mkostemp creates the file private (0600); give it the mode a plain new file would have.
    ::fchmod(fd, 0666 & ~currentUmask());
    ::close(fd);
    stagingPath_.assign(buffer.data());
}

StagedOutput::~StagedOutput() {
    if (!committed_) {
        ::unlink(stagingPath_.c_str());
    }
}

void StagedOutput::commit() {
    struct stat info {};
    if (::stat(stagingPath_.c_str(), &info) != 0 || info.st_size == 0) {
        throw ConversionError("No PDF was produced for \"" + finalPath_ + "\".");
    }
    if (::rename(stagingPath_.c_str(), finalPath_.c_str()) != 0) {
        throw ConversionError("Couldn't write the PDF file \"" + finalPath_ +
                              "\": " + systemError(errno));
    }
    committed_ = true;
}

} // namespace zarta
