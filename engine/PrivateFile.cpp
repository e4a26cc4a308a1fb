#include "engine/PrivateFile.h"

#include "engine/FileDescriptor.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace zarta {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& name) {
    throw std::system_error(errno, std::generic_category(), what + " \"" + name + "\"");
}

} // namespace

void PrivateFile::create(int folder, const std::string& name, std::string_view text) {
    ::unlinkat(folder, name.c_str(), 0);
    FileDescriptor file(
        ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid()) {
        fail("couldn't create", name);
    }
    while (!text.empty()) {
        const ssize_t written = ::write(file.get(), text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            fail("couldn't write", name);
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    // A failing close can mean the data never reached the disk.
    if (::close(file.release()) != 0) {
        fail("couldn't write", name);
    }
}

void PrivateFile::replace(const std::string& path, std::string_view text) {
    const std::filesystem::path target(path);
    const std::string folderPath = target.parent_path().empty() ? "." : target.parent_path();
    const FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        fail("couldn't open the folder of", path);
    }
    const std::string name = target.filename();
    const std::string temporary = name + ".new";
    create(folder.get(), temporary, text);
    if (::renameat(folder.get(), temporary.c_str(), folder.get(), name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        errno = error;
        fail("couldn't write", path);
    }
}

} // namespace zarta
