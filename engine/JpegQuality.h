#pragma once

namespace zarta {

// The quality of JPEG-compressed images, from the smallest files to the best pictures.
enum class JpegQuality {
    Minimum,
    Low,
    Medium,
    Maximum,
};

} // namespace zarta
