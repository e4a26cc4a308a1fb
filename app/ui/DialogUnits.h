#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace zarta::ui {

// Converts dialog units, in which every dialog and page of the program is laid out, into pixels
// with the base units of a dialog's font, so that each layout keeps its proportions at any font
// size: the horizontal base unit is the font's average character width (the width of "A".."Z"
// and "a".."z" divided by 26, rounded), the vertical one the font's height; x pixels =
// x * baseX / 4 and y pixels = y * baseY / 8, rounded to the nearest pixel. A rectangle is
// mapped edge by edge, so adjacent controls stay adjacent.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

    int x(int units) const;
    int y(int units) const;
    QRect rect(const QRect& units) const;
    QSize size(const QSize& units) const;

    // The font every dialog and page is laid out with: the application's general font, which
    // follows the desktop's font setting (family and size). The dialog units, and so every
    // dialog, scale with it. User-interface thread only.
    static QFont dialogFont();

private:
    int baseX_;
    int baseY_;
};

} // namespace zarta::ui
