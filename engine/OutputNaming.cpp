#include "engine/OutputNaming.h"

namespace zarta::OutputNaming {

std::string fileName(std::string_view path) {
    const auto slash = path.rfind(separator);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string pdfName(std::string_view sourcePath) {
    // Taking the name first keeps a dot in a folder name from cutting the path there.
    std::string name = fileName(sourcePath);
    if (const auto dot = name.rfind('.'); dot != std::string::npos) {
        name.erase(dot);
    }
    return name + ".pdf";
}

std::string withTrailingSeparator(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != separator) {
        result += separator;
    }
    return result;
}

std::string pdfPath(std::string_view folder, std::string_view sourcePath) {
    return withTrailingSeparator(folder) + pdfName(sourcePath);
}

} // namespace zarta::OutputNaming
