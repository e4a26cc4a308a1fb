#pragma once

#include "app/cli/PathListReader.h"
#include "app/cli/Shard.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zarta {

// The Word files a zarta-convert run converts, taken in order from the paths named on its
// command line and then those of a --files-from list, each with its full path (the shard is
// chosen by the path as written, named or listed, or as the folder's path and the names below
// it). A named file is taken when it is a Word
// file by its extension, and said to be none otherwise (as before). A named folder gives the
// Word files in it, in byte order of their names; with recursive the files of its subfolders
// too, each with the subfolder it lies in below the named folder, so that its PDF goes to the
// same folder below the destination. Inside a folder, what is not a Word file is passed over in
// silence, and so is anything that is not a regular file (a pipe named "x.doc" would hang the
// office); a symbolic link to a file counts as that file, a symbolic link to a folder is not
// followed (as find does not), and a folder met again below itself (a bind mount) is not walked
// again, so no walk runs in a loop. A folder that cannot be read is said, and the rest goes on.
// With a shard, only the files of that share are taken (named files that are no Word files
// included, so that each share says only its own).
//
// The files are read as they are asked for: the batch can start on the first before the list
// has been read to its end, and only the current file, the folders being walked and one block
// of the list are held. A list of named files only is read whole at once (count() then knows
// its length, and what is not a Word file is said before anything is converted, as before).
//
// Thread: one thread at a time. Indexes are asked for in increasing order.
class FileList {
public:
    struct Entry {
        std::string path;
        // The folder below the destination that the PDF goes to, ending in "/"; empty for the
        // destination itself.
        std::string subfolder;
    };

    enum class Problem {
        NotWordFile,      // a named file that is not a Word file
        UnreadableFolder, // a folder that cannot be read (its files are not converted)
        UnreadableList    // the --files-from list cannot be read further
    };
    // Told of each problem as it is met: the path concerned and why (for NotWordFile, the
    // message the program shows for that).
    using ProblemHandler =
        std::function<void(Problem, const std::string& path, const std::string& why)>;

    // Exactly these files, in this order.
    FileList(std::vector<std::string> paths);
    // list: the --files-from list, read after the arguments (null: none). shard: the share
    // taken (null: every file).
    FileList(std::vector<std::string> arguments, std::unique_ptr<PathListReader> list,
             bool recursive, std::optional<Shard> shard, ProblemHandler problems);
    ~FileList();
    FileList(FileList&&) noexcept;
    FileList& operator=(FileList&&) noexcept;

    // The number of files when it is known before the batch (named files only);
    // BatchPage::unknownCount otherwise.
    int count();
    // Whether there is a file at index; reads on as far as needed.
    bool has(int index);
    // Whether has(index) would answer without waiting for more of the --files-from list.
    bool arrived(int index);
    // The file at index: after has(index) was true, or below count().
    const Entry& at(int index);

    // Ends a wait for more of the --files-from list once wakeFd is readable (see
    // PathListReader).
    void watchInterrupts(int wakeFd);
    // Whether the list read from --files-from was interrupted.
    bool interrupted() const { return list_ && list_->interrupted(); }

private:
    struct Folder {
        std::string path;      // as named, or named folder + "/" + names below it
        std::string subfolder; // below the named folder, ending in "/"
        dev_t device = 0;
        ino_t inode = 0;
        std::vector<std::string> names; // sorted
        std::size_t next = 0;
    };

    // The next entry; nothing at the end, or, without wait, when the list has no whole entry
    // yet (then *pending is set).
    std::optional<Entry> produce(bool wait = true, bool* pending = nullptr);
    std::optional<Entry> fromNamed(const std::string& path);
    std::optional<Entry> fromFolder();
    void enter(const std::string& path, const std::string& subfolder);
    bool inShard(const std::string& path) const { return !shard_ || shard_->takes(path); }

    std::vector<std::string> named_;
    std::size_t nextNamed_ = 0;
    std::unique_ptr<PathListReader> list_;
    bool recursive_ = false;
    std::optional<Shard> shard_;
    ProblemHandler problems_;
    std::vector<Folder> folders_; // being walked, outermost first
    bool whole_ = false;          // every entry is in read_
    std::vector<Entry> read_;     // all entries when whole_; else the current one alone
    std::optional<Entry> ahead_;  // produced by arrived(), not yet taken by has()
    int current_ = -1;            // the index of the last entry taken by has()
    bool ended_ = false;
};

} // namespace zarta
