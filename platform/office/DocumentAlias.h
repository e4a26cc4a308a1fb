#pragma once

#include <string>

namespace zarta {

// The name the office opens a document by.
//
// The office takes file names as UTF-8 text: told to open a document whose name holds bytes
// that are not UTF-8 (a name from a Latin-1 system, say) with a given import filter, it looks
// for another file and fails, however exactly the URL spells the bytes. Such a document is
// opened through a link of ours that points at it, in a new folder of its own inside
// privateFolder (the office's private temporary folder), named like the document with each of
// those bytes replaced by U+FFFD; the print job then still carries the document's name. Every
// other document is opened by its own path.
//
// The destructor removes the link and its folder. Owned by one thread.
class DocumentAlias {
public:
    // Throws WordError (CannotOpen) when the link cannot be made.
    DocumentAlias(const std::string& documentPath, const std::string& privateFolder);
    DocumentAlias(const DocumentAlias&) = delete;
    DocumentAlias& operator=(const DocumentAlias&) = delete;
    ~DocumentAlias();

    // The path to give the office: the document's own, or the link's.
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string folder_; // the link's folder; empty when there is no link
};

} // namespace zarta
