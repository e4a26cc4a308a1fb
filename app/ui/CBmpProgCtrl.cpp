#include "app/ui/CBmpProgCtrl.h"

#include "app/ui/Accessibility.h"
#include "app/ui/Artwork.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>

namespace zarta::ui {

CBmpProgCtrl::CBmpProgCtrl(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Accessibility::install();
}

void CBmpProgCtrl::setPosition(int position) {
    position_ = position;
    changed();
}

void CBmpProgCtrl::setTotal(int total) {
    total_ = total;
    changed();
}

void CBmpProgCtrl::setFilled(bool filled) {
    filled_ = filled;
    changed();
}

void CBmpProgCtrl::setProgress(int position, int total, bool filled) {
    position_ = position;
    total_ = total;
    filled_ = filled;
    changed();
}

void CBmpProgCtrl::changed() {
    update();
    if (QAccessible::isActive()) {
        // Screen readers follow the bar through value changes, not through its painting.
        QAccessibleValueChangeEvent event(this, fill(position_, total_, 100, 100).targetWidth *
                                                    static_cast<int>(filled_));
        QAccessible::updateAccessibility(&event);
    }
}

CBmpProgCtrl::Fill CBmpProgCtrl::fill(int position, int total, int controlWidth, int pictureWidth) {
    float ratio = total > 0 ? static_cast<float>(position) / static_cast<float>(total) : 0.0F;
    ratio = std::clamp(ratio, 0.0F, 1.0F);
    return Fill{static_cast<int>(static_cast<float>(pictureWidth) * ratio),
                static_cast<int>(static_cast<float>(controlWidth) * ratio)};
}

void CBmpProgCtrl::paintEvent(QPaintEvent*) {
    // The pictures are drawn from their vector originals at the control's size and the screen's
    // pixel ratio, which stretches them as the bitmaps always were but keeps them sharp; they
    // are redrawn only when size or ratio change.
    const qreal ratio = devicePixelRatioF();
    if (!Artwork::fits(background_, size(), ratio)) {
        background_ = Artwork::bitmap(Artwork::ProgressBackground, size(), ratio);
        fillPicture_ = Artwork::bitmap(Artwork::ProgressFill, size(), ratio);
    }
    QPainter painter(this);
    // Plain pixel stretching, so the fill ends on an exact pixel column.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(rect(), background_, background_.rect());
    if (!filled_) {
        return;
    }
    const Fill part = fill(position_, total_, width(), fillPicture_.width());
    if (part.targetWidth > 0 && part.sourceWidth > 0) {
        painter.drawPixmap(QRect(0, 0, part.targetWidth, height()), fillPicture_,
                           QRect(0, 0, part.sourceWidth, fillPicture_.height()));
    }
}

} // namespace zarta::ui
