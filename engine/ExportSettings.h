#pragma once

#include "engine/FixedFormatExport.h"

#include <optional>
#include <string>

namespace zarta {

struct ConversionOptions;

// How the options map to the word processor's PDF export in the structure-keeping route, and
// which of them mean nothing in the route a batch takes.
//
// Pictures compressed with Flate stay lossless; JPEG and Automatic become JPEG at a quality for
// the chosen level (Minimum 25, Low 50, Medium 75, Maximum 95). The export writes PDF 1.5 or
// 1.6 and the PDF/A parts; 1.3 and 1.4 are written as 1.5. Structure tags are asked for only
// when chosen (a tagged PDF/A is conformance level a, which the export then names). Document
// compression is always Flate.
//
// Plain functions; any thread.
class ExportSettings {
public:
    static FixedFormatExport forOptions(const ConversionOptions& options,
                                        const std::string& outputFile);

    // The settings that have no meaning in the structure-keeping route, in one text for the
    // user, or nothing when every setting applies (always so in the print route).
    static std::optional<std::string> unusedSettings(const ConversionOptions& options);
};

} // namespace zarta
