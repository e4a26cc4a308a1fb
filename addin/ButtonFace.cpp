#include "addin/ButtonFace.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>

// The resource file is compiled into a static library; registering it explicitly keeps the
// linker from dropping it. Q_INIT_RESOURCE must be used outside any namespace.
static void registerAddinArtwork() {
    Q_INIT_RESOURCE(addin);
}

namespace zarta::addin {

QImage ButtonFace::image() {
    static const bool registered = [] {
        registerAddinArtwork();
        return true;
    }();
    Q_UNUSED(registered);
    // Outside a Qt application there is no desktop palette, and no clipboard to hand the face
    // through either.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return {};
    }
    QImage face(side, side, QImage::Format_RGB888);
    face.fill(QGuiApplication::palette().color(QPalette::Button));
    QSvgRenderer renderer(QStringLiteral(":/addin/bitmaps/addin-button.svg"));
    QPainter painter(&face);
    renderer.render(&painter);
    painter.end();
    return face;
}

} // namespace zarta::addin
