#pragma once

namespace zarta {

// How colour and grey images are compressed.
enum class ImageCompression {
    Flate,     // lossless, monochrome images too
    Jpeg,      // always JPEG at the chosen quality
    Automatic, // Ghostscript picks JPEG or lossless per image, at the chosen JPEG quality
};

} // namespace zarta
