#pragma once

#include <string>
#include <string_view>

// How a source document's path turns into its PDF's name and path. Paths use "/" as separator.
namespace zarta::OutputNaming {

inline constexpr char separator = '/';

// The part of a path after its last separator (the whole text when it has none).
std::string fileName(std::string_view path);

// The PDF's name: the source's file name cut before its last ".", followed by ".pdf".
// "/docs/Report.final.docx" gives "Report.final.pdf".
std::string pdfName(std::string_view sourcePath);

// The folder with a separator appended unless it already ends in one.
std::string withTrailingSeparator(std::string_view folder);

// withTrailingSeparator(folder) followed by pdfName(sourcePath).
std::string pdfPath(std::string_view folder, std::string_view sourcePath);

} // namespace zarta::OutputNaming
