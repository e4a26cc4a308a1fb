#include "addin/ButtonFace.h"

#include <QBuffer>
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
    // Outside a Qt application there is no desktop palette to take the button's colour from:
    // the picture keeps a transparent background there, so the host's own button colour shows
    // through it.
    const bool withPalette =
        qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    QImage face(side, side, withPalette ? QImage::Format_RGB888 : QImage::Format_ARGB32);
    face.fill(withPalette ? QGuiApplication::palette().color(QPalette::Button)
                          : QColor(Qt::transparent));
    QSvgRenderer renderer(QStringLiteral(":/addin/bitmaps/addin-button.svg"));
    QPainter painter(&face);
    renderer.render(&painter);
    painter.end();
    return face;
}

QByteArray ButtonFace::png() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image().save(&buffer, "PNG");
    return bytes;
}

} // namespace zarta::addin
