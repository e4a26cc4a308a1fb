#pragma once

#include <string>

namespace zarta {

class WorkFolder;

// A new output file written in the conversion's private work folder and published to its final
// path only when complete, so that a failed or abandoned conversion never leaves a half-written
// PDF behind and never destroys an older PDF of the same name.
//
// path() is a name inside the work folder, where the converter writes the PDF; nothing is
// created in the destination before commit(). commit() copies the PDF through a new hidden file
// beside the final path (".zarta-" and eight random letters, whatever the PDF's name, so any name
// the file system takes can be published), created exclusively (a file or link already at that
// name is never opened, so another user who can write the destination cannot redirect the copy),
// and renames it over the final path. The published file keeps the mode of the PDF it replaces
// when that file belongs to this user (so a private PDF stays private); otherwise (a new PDF, or
// one another user made) it gets the mode a newly created file of this process would get.
// While the hidden file exists the work folder notes it, so that a run killed in between has it
// removed by the next start.
//
// Not thread-safe; owned by the worker thread. The work folder must outlive the object.
class StagedOutput {
public:
    // Throws ConversionError (naming finalPath) when finalPath's folder is missing or cannot
    // be written.
    StagedOutput(std::string finalPath, const WorkFolder& work);
    StagedOutput(const StagedOutput&) = delete;
    StagedOutput& operator=(const StagedOutput&) = delete;
    ~StagedOutput();

    const std::string& path() const { return stagingPath_; }
    const std::string& finalPath() const { return finalPath_; }

    // Replaces finalPath with the staged file. Throws ConversionError when the staged file is
    // missing or empty (nothing was produced) or cannot be published; finalPath is then left as
    // it was and nothing of the attempt remains beside it.
    void commit();

private:
    std::string finalPath_;
    const WorkFolder& work_;
    std::string stagingPath_;
    std::string folder_;   // finalPath's folder
    int destination_ = -1; // that folder, open from construction on
};

} // namespace zarta
