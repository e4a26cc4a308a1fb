#pragma once

#include <filesystem>
#include <string>

// A fresh private folder for one test, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    // Path of a name inside the folder, as text.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    static void write(const std::string& path, const std::string& content);
    static std::string read(const std::string& path);

private:
    std::filesystem::path path_;
};
