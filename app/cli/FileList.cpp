#include "app/cli/FileList.h"

#include "engine/BatchPage.h"
#include "engine/Messages.h"
#include "engine/WordFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>

namespace zarta {

namespace {

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string joined(const std::string& folder, const std::string& name) {
    return !folder.empty() && folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The office opens documents by their full path.
std::string absolute(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::absolute(path, ignored).lexically_normal().string();
}

} // namespace

FileList::FileList(std::vector<std::string> paths) : whole_(true) {
    for (auto& path : paths) {
        read_.push_back({std::move(path), std::string()});
    }
}

FileList::FileList(std::vector<std::string> arguments, std::unique_ptr<PathListReader> list,
                   bool recursive, std::optional<Shard> shard, ProblemHandler problems)
    : named_(std::move(arguments)), list_(std::move(list)), recursive_(recursive), shard_(shard),
      problems_(std::move(problems)) {
    if (!list_ && std::none_of(named_.begin(), named_.end(), isFolder)) {
        while (auto entry = produce()) {
            read_.push_back(std::move(*entry));
        }
        whole_ = true;
    }
}

FileList::~FileList() = default;
FileList::FileList(FileList&&) noexcept = default;
FileList& FileList::operator=(FileList&&) noexcept = default;

int FileList::count() {
    return whole_ ? static_cast<int>(read_.size()) : BatchPage::unknownCount;
}

bool FileList::has(int index) {
    if (whole_) {
        return index >= 0 && index < static_cast<int>(read_.size());
    }
    while (current_ < index) {
        auto entry = ended_   ? std::nullopt
                     : ahead_ ? std::exchange(ahead_, std::nullopt)
                              : produce();
        if (!entry) {
            ended_ = true;
            return false;
        }
        read_.assign(1, std::move(*entry));
        ++current_;
    }
    return index == current_;
}

void FileList::watchInterrupts(int wakeFd) {
    if (list_) {
        list_->setWakeFd(wakeFd);
    }
}

bool FileList::arrived(int index) {
    if (whole_ || index <= current_ || ended_ || ahead_) {
        return true;
    }
    bool pending = false;
    ahead_ = produce(false, &pending);
    if (!ahead_ && !pending) {
        ended_ = true;
    }
    return !pending;
}

const FileList::Entry& FileList::at(int index) {
    if (whole_) {
        return read_.at(static_cast<std::size_t>(index));
    }
    if (index != current_ || read_.empty()) {
        throw std::out_of_range("file list: entry " + std::to_string(index) + " is not at hand");
    }
    return read_.front();
}

std::optional<FileList::Entry> FileList::produce(bool wait, bool* pending) {
    for (;;) {
        if (!folders_.empty()) {
            if (auto entry = fromFolder()) {
                return entry;
            }
            continue;
        }
        std::optional<std::string> path;
        if (nextNamed_ < named_.size()) {
            path = named_[nextNamed_++];
        } else if (list_) {
            if (!wait && !list_->ready()) {
                *pending = true;
                return std::nullopt;
            }
            path = list_->next();
            if (!path && !list_->failure().empty()) {
                problems_(Problem::UnreadableList, std::string(), list_->failure());
            }
        }
        if (!path) {
            return std::nullopt;
        }
        if (auto entry = fromNamed(*path)) {
            return entry;
        }
    }
}

std::optional<FileList::Entry> FileList::fromNamed(const std::string& path) {
    if (isFolder(path)) {
        enter(path, std::string());
        return std::nullopt;
    }
    if (!inShard(path)) {
        return std::nullopt;
    }
    if (WordFiles::isWordFile(path, WordFiles::commandLineExtensions)) {
        return Entry{absolute(path), std::string()};
    }
    problems_(Problem::NotWordFile, path, std::string(Messages::formatNotSupported));
    return std::nullopt;
}

void FileList::enter(const std::string& path, const std::string& subfolder) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        problems_(Problem::UnreadableFolder, path, std::strerror(errno));
        return;
    }
    for (const Folder& outer : folders_) {
        if (outer.device == info.st_dev && outer.inode == info.st_ino) {
            return;
        }
    }
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        problems_(Problem::UnreadableFolder, path, std::strerror(errno));
        return;
    }
    Folder folder{path, subfolder, info.st_dev, info.st_ino, {}, 0};
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            folder.names.push_back(name);
        }
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0) {
        problems_(Problem::UnreadableFolder, path, std::strerror(readError));
        return;
    }
    // Byte order, so that a folder gives its files in the same order on every run and machine.
    std::sort(folder.names.begin(), folder.names.end());
    folders_.push_back(std::move(folder));
}

std::optional<FileList::Entry> FileList::fromFolder() {
    Folder& folder = folders_.back();
    if (folder.next == folder.names.size()) {
        folders_.pop_back();
        return std::nullopt;
    }
    const std::string& name = folder.names[folder.next++];
    const std::string path = joined(folder.path, name);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return std::nullopt; // gone since the folder was read
    }
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        if (::stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
            return std::nullopt;
        }
        // A link to a file is that file; a dangling link with a Word file's name goes to the
        // batch, which says the file cannot be opened.
    } else if (S_ISDIR(info.st_mode)) {
        if (recursive_) {
            const std::string subfolder = folder.subfolder + name + "/";
            enter(path, subfolder);
        }
        return std::nullopt;
    } else if (!S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    // "~$" names are the owner files Word leaves beside a document that is open: a few bytes
    // naming who has it open, not documents.
    if (name.starts_with("~$") || !inShard(path) ||
        !WordFiles::isWordFile(name, WordFiles::commandLineExtensions)) {
        return std::nullopt;
    }
    return Entry{absolute(path), folder.subfolder};
}

} // namespace zarta
