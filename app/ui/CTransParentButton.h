#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>
#include <QPoint>

namespace zarta::ui {

// A flat button drawn over a copy of what its parent painted beneath it, with an icon and a
// short text: the main window's header buttons. It has four faces: normal (only the captured
// background, the icon and the text), hover and released (a light rounded face and the hover
// icon), and pressed (a darker face, icon and text shifted by one pixel). A disabled button
// shows the normal face with a greyed icon and text. While the button has the keyboard focus, a
// dotted focus frame is drawn just inside its edge.
//
// The background is captured once, at the first paint, from the parent's own painting without
// its children, and is never refreshed.
//
// The owner sets the icons, the icon-with-text flag, the icon gap and the layout, then calls
// repaintButton(). User-interface thread only.
class CTransParentButton : public QAbstractButton {
    Q_OBJECT
public:
    enum State : int {
        Hover = 0,
        Normal = 1,
        Released = 2,
        Pressed = 3,
    };
    enum class IconLayout : int {
        IconLeft = 0,  // icon left of the text
        IconAbove = 1, // icon above the text
    };

    // Everything the placement of the icon and the text depends on, in pixels.
    struct Geometry {
        int width = 0;       // the button's width W
        int height = 0;      // the button's height H
        int iconWidth = 32;  // cx
        int iconHeight = 32; // cy
        int textLength = 0;  // n, characters of the text
        int textHeight = 0;  // t, the text's height in the button's font
        IconLayout layout = IconLayout::IconLeft;
        bool iconWithText = false;
        int iconGap = 5;
        int iconMargin = 5;
        State state = Normal;
        bool enabled = true;
    };

    explicit CTransParentButton(QWidget* parent = nullptr);
    explicit CTransParentButton(const QString& text, QWidget* parent = nullptr);

    void setNormalIcon(const QIcon& icon) { normalIcon_ = icon; }
    void setHoverIcon(const QIcon& icon) { hoverIcon_ = icon; }
    void setIconWithText(bool iconWithText) { iconWithText_ = iconWithText; }
    void setIconGap(int gap) { iconGap_ = gap; }
    void setIconLayout(IconLayout layout) { iconLayout_ = layout; }
    bool iconWithText() const { return iconWithText_; }
    int iconGap() const { return iconGap_; }
    int iconMargin() const { return iconMargin_; }

    State state() const { return state_; }
    bool isBackgroundCaptured() const { return backgroundCaptured_; }

    // Repaints the button at once with the current settings.
    void repaintButton();

    // Where the icon's top-left corner goes: beside or above the text, or centred when the
    // button has no text (hasText false); one pixel further right and down while pressed.
    static QPoint iconPosition(const Geometry& geometry, bool hasText);
    // Where the text's top-left corner goes. The text's width is taken as 4 pixels a character,
    // the width of the font the text is drawn in; odd lengths move one pixel left when enabled.
    static QPoint textPosition(const Geometry& geometry);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void startHover();
    void captureBackground();
    Geometry geometryNow() const;

    QIcon normalIcon_;
    QIcon hoverIcon_;
    bool iconWithText_ = false;
    int iconGap_ = 5;
    int iconMargin_ = 5;
    IconLayout iconLayout_ = IconLayout::IconLeft;
    State state_ = Normal;
    bool tracking_ = false;
    bool backgroundCaptured_ = false;
    QPixmap background_;
};

} // namespace zarta::ui
