#pragma once

namespace zarta::ui {

// Which program a shared widget is built for. The option pages and the tab control exist in both
// programs; the add-in's copies differ in their identifiers, their one-column layouts, their
// editable lists and the tab control's background.
enum class UiVariant {
    Desktop,
    AddIn,
};

} // namespace zarta::ui
