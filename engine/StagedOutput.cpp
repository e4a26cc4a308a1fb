#include "engine/StagedOutput.h"

#include "engine/ConversionError.h"
#include "engine/FileDescriptor.h"
#include "engine/OutputNaming.h"
#include "engine/WorkFolder.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarta {

namespace {

constexpr const char* stagedName = "output.pdf";
// The hidden file beside the final name: this prefix and eight random letters.
constexpr std::string_view stagingPrefix = ".zarta-";

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

std::string randomSuffix() {
    static constexpr char letters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<unsigned char, 8> bytes{};
    if (::getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        throw ConversionError(std::string("Couldn't choose a file name: ") + std::strerror(errno));
    }
    std::string suffix;
    for (const unsigned char byte : bytes) {
        suffix += letters[byte % (sizeof letters - 1)];
    }
    return suffix;
}

// Copies the whole of from into to, both open descriptors.
bool copyAll(int from, int to, off_t size) {
    off_t left = size;
    while (left > 0) {
        const ssize_t copied =
            ::copy_file_range(from, nullptr, to, nullptr, static_cast<std::size_t>(left), 0);
        if (copied > 0) {
            left -= copied;
            continue;
        }
        if (copied < 0 && errno == EINTR) {
            continue;
        }
        if (copied == 0 || errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
            errno == EOPNOTSUPP) {
            break; // not supported between these files: copy the rest by hand
        }
        return false;
    }
    std::array<char, 65536> buffer{};
    while (left > 0) {
        const ssize_t count = ::read(from, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        for (ssize_t done = 0; done < count;) {
            const ssize_t written =
                ::write(to, buffer.data() + done, static_cast<std::size_t>(count - done));
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return false;
            }
            done += written;
        }
        left -= count;
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

StagedOutput::StagedOutput(std::string finalPath, const WorkFolder& work)
    : finalPath_(std::move(finalPath)), work_(work), stagingPath_(work.file(stagedName)) {
    const auto slash = finalPath_.rfind(OutputNaming::separator);
    folder_ = slash == std::string::npos ? std::string(".")
              : slash == 0               ? std::string("/")
                                         : finalPath_.substr(0, slash);
    // A destination that cannot take the PDF is found before anything is converted.
    destination_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (destination_ < 0 || ::faccessat(destination_, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        const int error = errno;
        if (destination_ >= 0) {
            ::close(destination_);
        }
        throw ConversionError("Couldn't create the PDF file \"" + finalPath_ +
                              "\": " + std::strerror(error));
    }
}

StagedOutput::~StagedOutput() {
    ::close(destination_);
}

void StagedOutput::commit() {
    const FileDescriptor source(
        ::openat(work_.descriptor(), stagedName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat sourceInfo {};
    if (!source.valid() || ::fstat(source.get(), &sourceInfo) != 0 ||
        !S_ISREG(sourceInfo.st_mode) || sourceInfo.st_size == 0) {
        throw ConversionError("No PDF was produced for \"" + finalPath_ + "\".");
    }
    auto failure = [this](const std::string& why) {
        return ConversionError("Couldn't write the PDF file \"" + finalPath_ + "\": " + why);
    };

    const std::string name = OutputNaming::fileName(finalPath_);
    const int destination = destination_;

    // A replaced PDF of ours passes its mode on; only a real file counts, never a link's
    // target. Another user's file in a shared folder may have any mode (0666, say): taking it
    // over would let them read and change our PDF.
    struct stat replaced {};
    const bool replacesOurFile =
        ::fstatat(destination, name.c_str(), &replaced, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(replaced.st_mode) && replaced.st_uid == ::geteuid();
    const mode_t mode = replacesOurFile ? (replaced.st_mode & 0777) : (0666 & ~currentUmask());

    std::string hidden;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        // A short name of its own rather than one made from the PDF's: a PDF name near the file
        // system's limit (255 bytes) must still leave room for the staging name.
        hidden = std::string(stagingPrefix) + randomSuffix();
        work_.remember(folder_, hidden);
        fd = ::openat(destination, hidden.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && (errno != EEXIST || attempt >= 100)) {
            const int error = errno;
            work_.forget();
            throw failure(std::strerror(error));
        }
    }
    const FileDescriptor target(fd);
    auto giveUp = [&](const std::string& why) {
        ::unlinkat(destination, hidden.c_str(), 0);
        work_.forget();
        return failure(why);
    };

    if (!copyAll(source.get(), target.get(), sourceInfo.st_size)) {
        throw giveUp(std::strerror(errno));
    }
    if (::fchmod(target.get(), mode) != 0) {
        throw giveUp(std::strerror(errno));
    }
    // The hidden name must still be the file written here: someone who can write the folder
    // may have swapped in another file or a link, which would then be published.
    struct stat written {};
    struct stat atName {};
    if (::fstat(target.get(), &written) != 0 ||
        ::fstatat(destination, hidden.c_str(), &atName, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(written, atName)) {
        throw giveUp("the file was replaced by someone else while it was written");
    }
    if (::renameat(destination, hidden.c_str(), destination, name.c_str()) != 0) {
        throw giveUp(std::strerror(errno));
    }
    work_.forget();
    struct stat published {};
    if (::fstatat(destination, name.c_str(), &published, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(written, published)) {
        // Swapped in the moment before the rename: what now stands at the name is not ours.
        ::unlinkat(destination, name.c_str(), 0);
        throw failure("the file was replaced by someone else while it was written");
    }
}

} // namespace zarta
