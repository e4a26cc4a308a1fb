#pragma once

#include <QImage>

namespace zarta::addin {

// The picture on the add-in's toolbar button (bitmap resource 201): 32 x 32 pixels, 24 bits
// per pixel, drawn from its vector original onto the desktop's button colour, so that it sits
// on the button as a bitmap mapped to the 3-D colours does. GUI thread only; a null image
// where no QGuiApplication runs.
class ButtonFace {
public:
    static constexpr int resourceId = 201;
    static constexpr int side = 32;

    static QImage image();
};

} // namespace zarta::addin
