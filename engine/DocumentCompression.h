#pragma once

namespace zarta {

// How the pages' content streams are compressed.
enum class DocumentCompression {
    Flate,
    Lzw, // asked for, but current Ghostscript compresses pages with Flate regardless
};

} // namespace zarta
