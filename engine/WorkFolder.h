#pragma once

#include <string>

namespace zarta {

// A private folder for one conversion's intermediate files (the print file, the parameter
// files), so that conversions running at the same time never share them and no other user can
// read or plant them.
//
// The constructor creates dataFolder (and its parents) when missing, with mode 0700 for the
// folders it creates, then a new uniquely named sub-folder of mode 0700 inside it. The
// destructor removes the sub-folder with everything in it. Owned by one thread.
class WorkFolder {
public:
    // Throws ConversionError when the folder cannot be created.
    explicit WorkFolder(const std::string& dataFolder);
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    ~WorkFolder();

    // The folder's path, without a trailing separator.
    const std::string& path() const { return path_; }
    // The path of a name inside the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace zarta
