#pragma once

#include <string>
#include <string_view>

namespace zarta {

// A private folder for one conversion's intermediate files (the print file, the parameter
// files, the PDF before it is published), so that conversions running at the same time never
// share them and no other user can read or plant them.
//
// The constructor makes a new uniquely named sub-folder "conversion-XXXXXX" of mode 0700 in
// dataFolder, which should be private (DataFolders checks it at start; missing folders are
// created with mode 0700), and holds an
// exclusive lock (flock) on it for the object's lifetime. The folder appears under its final
// name only once it is locked, so a held folder is never taken for a leftover. The destructor
// removes the folder with everything in it, never following a link, through the open folder
// and the open data folder (never by path). Owned by one thread.
class WorkFolder {
public:
    static constexpr std::string_view namePrefix = "conversion-";

    // Throws ConversionError when the folder cannot be created.
    explicit WorkFolder(const std::string& dataFolder);
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    ~WorkFolder();

    // The folder's path, without a trailing separator.
    const std::string& path() const { return path_; }
    // The path of a name inside the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // The open folder, for calls relative to it (openat and the like); valid for the object's
    // lifetime.
    int descriptor() const { return fd_; }

    // Notes a file this conversion is creating outside the folder (a staged PDF beside its
    // final name), so that if the program dies before it is renamed or removed, the next
    // start removes it with this folder. One at a time; forget() drops the note.
    void remember(const std::string& folder, const std::string& name) const;
    void forget() const;

    // Removes the work folders in dataFolder that no living conversion holds, with everything
    // in them and the staged files they noted; folders still held (by this or another running
    // copy of the program) are left alone. Returns how many folders were removed. Never
    // follows a link. Call at program start.
    static int removeLeftovers(const std::string& dataFolder);

private:
    std::string path_;
    std::string name_;
    int fd_ = -1;
    int parent_ = -1; // the data folder, open
};

} // namespace zarta
