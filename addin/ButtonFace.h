#pragma once

#include <QByteArray>
#include <QImage>

namespace zarta::addin {

// The picture on the add-in's toolbar button (bitmap resource 201): 32 x 32 pixels, 24 bits
// per pixel, drawn from its vector original onto the desktop's button colour, so that it sits
// on the button as a bitmap mapped to the 3-D colours does. Where no QGuiApplication runs (in
// a host of another toolkit) it has an alpha channel and a transparent background instead.
// On the thread of the Qt application where one runs.
class ButtonFace {
public:
    static constexpr int resourceId = 201;
    static constexpr int side = 32;

    static QImage image();
    // image() as PNG.
    static QByteArray png();
};

} // namespace zarta::addin
