#include "app/ui/Artwork.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <span>

// The resource file is compiled into this static library; registering it explicitly keeps the
// linker from dropping it. Q_INIT_RESOURCE must be used outside any namespace.
static void registerArtwork() {
    Q_INIT_RESOURCE(artwork);
}

namespace zarta::ui {

namespace {

struct Picture {
    int id;
    QSize size;
    const char* path;
};

constexpr Picture pictures[] = {
    {Artwork::MainHeader, {640, 66}, ":/artwork/bitmaps/main-header.svg"},
    {Artwork::ApplicationIcon, {128, 128}, ":/artwork/icons/application.svg"},
    {Artwork::AboutIcon, {32, 32}, ":/artwork/icons/about.svg"},
    {Artwork::HelpIcon, {32, 32}, ":/artwork/icons/help.svg"},
    {Artwork::ProgressBackground, {463, 24}, ":/artwork/bitmaps/progress-background.svg"},
    {Artwork::ProgressFill, {463, 24}, ":/artwork/bitmaps/progress-fill.svg"},
    {Artwork::FinishPicture, {32, 32}, ":/artwork/bitmaps/finish.svg"},
    {Artwork::AboutHeader, {380, 113}, ":/artwork/bitmaps/about-header.svg"},
    {Artwork::WebsiteIcon, {32, 32}, ":/artwork/icons/website.svg"},
};

const Picture* find(int id) {
    for (const Picture& picture : pictures) {
        if (picture.id == id) {
            return &picture;
        }
    }
    return nullptr;
}

constexpr int applicationIconSizes[] = {16, 24, 32, 36, 48, 64, 128};
constexpr int iconSizes[] = {16, 32, 48, 64, 96};

QPixmap render(const Picture& picture, const QSize& size, qreal devicePixelRatio = 1.0) {
    static const bool registered = [] {
        registerArtwork();
        return true;
    }();
    Q_UNUSED(registered);
    QSvgRenderer renderer(QString::fromLatin1(picture.path));
    QImage image((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(image);
}

} // namespace

QSize Artwork::nominalSize(int id) {
    const Picture* picture = find(id);
    return picture != nullptr ? picture->size : QSize();
}

QPixmap Artwork::bitmap(int id) {
    const Picture* picture = find(id);
    return picture != nullptr ? render(*picture, picture->size) : QPixmap();
}

QPixmap Artwork::bitmap(int id, const QSize& size, qreal devicePixelRatio) {
    const Picture* picture = find(id);
    return picture != nullptr && !size.isEmpty() ? render(*picture, size, devicePixelRatio)
                                                 : QPixmap();
}

bool Artwork::fits(const QPixmap& pixmap, const QSize& size, qreal devicePixelRatio) {
    return !pixmap.isNull() && pixmap.devicePixelRatio() == devicePixelRatio &&
           pixmap.deviceIndependentSize().toSize() == size;
}

QIcon Artwork::icon(int id) {
    const Picture* picture = find(id);
    if (picture == nullptr) {
        return QIcon();
    }
    QIcon icon;
    const std::span<const int> sizes = id == ApplicationIcon
                                           ? std::span<const int>(applicationIconSizes)
                                           : std::span<const int>(iconSizes);
    for (int side : sizes) {
        icon.addPixmap(render(*picture, QSize(side, side)));
    }
    return icon;
}

} // namespace zarta::ui
