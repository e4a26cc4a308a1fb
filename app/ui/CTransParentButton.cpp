#include "app/ui/CTransParentButton.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace zarta::ui {

namespace {

constexpr int iconSide = 32;
constexpr int textCharWidth = 4;
const QColor faceOutline(248, 248, 248);
const QColor hoverFace(252, 252, 252);
const QColor pressedFace(240, 240, 240);

// The small font the text is drawn in: 10 pixels high and about 4 pixels a character, which is
// the width the text placement counts with.
QFont textFont(const QFont& base) {
    QFont font = base;
    font.setFamily(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(10);
    font.setWeight(QFont::Normal);
    const int average = QFontMetrics(font).averageCharWidth();
    if (average > textCharWidth) {
        font.setStretch(std::clamp(100 * textCharWidth / average, 1, 4000));
    }
    return font;
}

} // namespace

CTransParentButton::CTransParentButton(QWidget* parent) : QAbstractButton(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

CTransParentButton::CTransParentButton(const QString& text, QWidget* parent)
    : CTransParentButton(parent) {
    setText(text);
}

void CTransParentButton::repaintButton() {
    repaint();
}

QPoint CTransParentButton::iconPosition(const Geometry& g, bool hasText) {
    int x = (g.width - g.iconWidth) / 2;
    int y = (g.height - g.iconHeight) / 2;
    if (hasText) {
        if (g.layout == IconLayout::IconLeft) {
            x = g.iconMargin;
        } else {
            y = g.iconGap;
        }
    }
    if (g.state == Pressed) {
        ++x;
        ++y;
    }
    return QPoint(x, y);
}

QPoint CTransParentButton::textPosition(const Geometry& g) {
    const int textWidth = textCharWidth * g.textLength;
    int x = 0;
    int y = 0;
    if (g.layout == IconLayout::IconAbove) {
        x = (g.width - textWidth) / 2 - 3;
        y = g.iconWithText ? (g.height - g.iconGap - g.textHeight - g.iconHeight) / 2 + g.iconGap +
                                 g.iconHeight
                           : (g.height - g.textHeight) / 2;
    } else {
        y = (g.height - g.textHeight) / 2;
        x = g.iconWithText ? (g.width - g.iconMargin - textWidth - g.iconWidth) / 2 + g.iconMargin +
                                 g.iconWidth
                           : (g.width - textWidth) / 2 - 3;
    }
    if (!g.enabled) {
        return QPoint(x, y);
    }
    if (g.state == Pressed) {
        ++x;
        ++y;
    }
    if (g.textLength % 2 != 0) {
        --x;
    }
    return QPoint(x, y);
}

QSize CTransParentButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return QSize(std::max(iconSide + 2 * iconMargin_, textCharWidth * int(text().size()) + 8),
                 iconSide + iconGap_ + metrics.height());
}

CTransParentButton::Geometry CTransParentButton::geometryNow() const {
    Geometry g;
    g.width = width();
    g.height = height();
    g.iconWidth = iconSide;
    g.iconHeight = iconSide;
    g.textLength = int(text().size());
    g.textHeight = QFontMetrics(font()).height();
    g.layout = iconLayout_;
    g.iconWithText = iconWithText_;
    g.iconGap = iconGap_;
    g.iconMargin = iconMargin_;
    g.enabled = isEnabled();
    g.state = g.enabled ? state_ : Normal;
    return g;
}

void CTransParentButton::captureBackground() {
    const qreal ratio = devicePixelRatioF();
    background_ = QPixmap(size() * ratio);
    background_.setDevicePixelRatio(ratio);
    QWidget* parent = parentWidget();
    background_.fill(parent != nullptr ? parent->palette().color(parent->backgroundRole())
                                       : palette().color(QPalette::Window));
    if (parent != nullptr) {
        // Only the parent's own painting: the header picture, never the sibling buttons.
        parent->render(&background_, QPoint(), QRegion(geometry()), QWidget::DrawWindowBackground);
    }
    backgroundCaptured_ = true;
}

void CTransParentButton::paintEvent(QPaintEvent*) {
    if (!backgroundCaptured_) {
        captureBackground();
    }
    const Geometry g = geometryNow();
    QPainter painter(this);

    // 1. Background.
    painter.drawPixmap(0, 0, background_);

    // 2. Face.
    if (g.enabled && g.state != Normal) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(faceOutline, 1));
        painter.setBrush(g.state == Pressed ? pressedFace : hoverFace);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
    // The focus mark, drawn by the button itself because styles draw theirs only after a
    // keyboard focus change: without it, Space or Enter would act on a button nobody sees
    // focused.
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(2, 2, -3, -3));
    }

    // 3. Icon.
    const QPoint iconAt = iconPosition(g, !text().isEmpty());
    if (g.enabled) {
        const QIcon& icon = g.state == Normal ? normalIcon_ : hoverIcon_;
        if (!icon.isNull()) {
            painter.drawPixmap(iconAt, icon.pixmap(QSize(iconSide, iconSide), devicePixelRatioF()));
        }
    } else if (!normalIcon_.isNull()) {
        painter.drawPixmap(iconAt, normalIcon_.pixmap(QSize(iconSide, iconSide),
                                                      devicePixelRatioF(), QIcon::Disabled));
    }

    // 4. Text.
    if (text().isEmpty()) {
        return;
    }
    const QPoint textAt = textPosition(g);
    if (!g.enabled) {
        // Greyed like a disabled caption: an engraved light copy under a grey one.
        const QFontMetrics metrics(font());
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(textAt + QPoint(1, 1 + metrics.ascent()), text());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(textAt + QPoint(0, metrics.ascent()), text());
        return;
    }
    const QFont drawFont = textFont(font());
    painter.setFont(drawFont);
    painter.setPen(Qt::black);
    painter.drawText(textAt + QPoint(0, QFontMetrics(drawFont).ascent()), text());
}

void CTransParentButton::startHover() {
    tracking_ = true;
    state_ = Hover;
    repaint();
}

void CTransParentButton::enterEvent(QEnterEvent* event) {
    if (!tracking_ && isEnabled() && !(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        startHover();
    }
    QAbstractButton::enterEvent(event);
}

void CTransParentButton::leaveEvent(QEvent* event) {
    // The pointer has left: back to the normal face at once.
    if (tracking_ && isEnabled()) {
        tracking_ = false;
        state_ = Normal;
        repaint();
    }
    QAbstractButton::leaveEvent(event);
}

void CTransParentButton::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        // Moves with the button held are swallowed, as the pressed face stays until release.
        return;
    }
    if (!tracking_ && isEnabled()) {
        startHover();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CTransParentButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        state_ = Pressed;
        repaint();
    }
    QAbstractButton::mousePressEvent(event);
}

void CTransParentButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        state_ = rect().contains(event->position().toPoint()) ? Released : Normal;
        repaint();
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void CTransParentButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            // A disabled button shows the normal face; hover tracking starts afresh once it is
            // enabled again, so it cannot stay stuck on the hover face.
            state_ = Normal;
            tracking_ = false;
        }
        update();
    }
    QAbstractButton::changeEvent(event);
}

} // namespace zarta::ui
