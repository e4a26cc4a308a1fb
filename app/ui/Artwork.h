#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace zarta::ui {

// The program's pictures, addressed by their resource numbers and compiled into the library.
// Each is drawn from a vector original at its own pixel size, so a bitmap has exactly the size
// its users compute with (the progress bitmaps are 463 x 24 pixels).
//
// User-interface thread only (pixmaps need the application's GUI).
class Artwork {
public:
    enum Id : int {
        MainHeader = 2,           // 640 x 66, the main window's header strip
        ApplicationIcon = 128,    // the program's icon, several sizes
        AboutIcon = 131,          // 32 x 32, "About" header button
        HelpIcon = 133,           // 32 x 32, "Help" header button
        ProgressBackground = 137, // 463 x 24, the empty progress bar
        ProgressFill = 138,       // 463 x 24, the filled progress bar
        FinishPicture = 139,      // 32 x 32, the finish dialog's picture
        AboutHeader = 140,        // 380 x 113, the about box's header picture
        WebsiteIcon = 146,        // 32 x 32, "Website" header button
    };

    // The picture's own size in pixels; an empty size for an unknown number.
    static QSize nominalSize(int id);
    // The picture at its own size; a null pixmap for an unknown number.
    static QPixmap bitmap(int id);
    // The picture drawn at a size in device-independent pixels for a screen of the given device
    // pixel ratio: the pixmap has size * ratio pixels and carries the ratio, so a 2x screen shows
    // it sharp. The picture is stretched to the size. A null pixmap for an unknown number.
    static QPixmap bitmap(int id, const QSize& size, qreal devicePixelRatio);
    // A pixmap from bitmap(id, size, ratio) that is still right for that size and ratio; owners
    // that draw a picture redraw it when this says no (after a resize or a move to another
    // screen).
    static bool fits(const QPixmap& pixmap, const QSize& size, qreal devicePixelRatio);
    // The picture as an icon; the application icon carries the sizes 16, 24, 32, 36, 48, 64 and
    // 128, the others 16, 32, 48, 64 and 96 (the larger ones serve 2x screens). An empty icon for
    // an unknown number.
    static QIcon icon(int id);
};

} // namespace zarta::ui
