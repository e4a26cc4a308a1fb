#pragma once

#include <string>

namespace zarta {

// Local paths as the office's file URLs. Plain functions; any thread.
class FileUrl {
public:
    // "file://" and the absolute path byte for byte, every byte outside the unreserved set
    // percent-encoded: a name keeps its exact bytes whatever their encoding.
    static std::string fromPath(const std::string& absolutePath);
};

} // namespace zarta
