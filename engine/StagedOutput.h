#pragma once

#include <string>

namespace zarta {

// A new output file written beside its final path and moved into place only when complete, so
// that a failed or abandoned conversion never leaves a half-written PDF behind and never
// destroys an older PDF of the same name.
//
// The constructor creates an empty, uniquely named hidden file in the final path's folder,
// exclusively (an existing file or link of that name is never followed), with the permissions
// a newly created file of this process would get. commit() renames it over the final path in
// one step. The destructor removes it unless it was committed. Not thread-safe; owned by the
// worker thread.
class StagedOutput {
public:
    // Throws ConversionError (naming finalPath) when the file cannot be created.
    explicit StagedOutput(std::string finalPath);
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput();

    const std::string& path() const { return stagingPath_; }
    const std::string& finalPath() const { return finalPath_; }

    // Replaces finalPath with the staged file. Throws ConversionError when the staged file is
    // empty (nothing was produced) or cannot be moved into place; the staged file is then
    // removed and finalPath is left as it was.
    void commit();

private:
    std::string finalPath_;
    std::string stagingPath_;
    bool committed_ = false;
};

} // namespace zarta
