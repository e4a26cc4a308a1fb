#pragma once

// Identifiers of the standard dialog commands, used as control identifiers of the buttons that
// carry them ("OK", "Cancel"/"Close").
namespace zarta::ui::StandardIds {

inline constexpr int ok = 1;
inline constexpr int cancel = 2;

} // namespace zarta::ui::StandardIds
