#pragma once

namespace zarta::ui {

// What assistive technology (screen readers, over Qt's accessibility bridge) learns about the
// program's own controls, which Qt cannot describe by itself: the picture progress bar is a
// progress indicator with a value, the text-showing edits (the status line, the about box's
// notice) are read-only text, not fields to type in, and the viewport inside a text box is part
// of the box, not a focused object of its own.
//
// install() registers the descriptions with Qt once; the controls call it when they are made.
// User-interface thread only.
class Accessibility {
public:
    static void install();
};

} // namespace zarta::ui
