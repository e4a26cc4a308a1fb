#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CEnableEdit.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/CTransParentButton.h"
#include "app/ui/DialogUnits.h"
#include "tests/support/QtPrinters.h"

#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace zarta::ui;

namespace {

// A parent that paints a known picture: red, with a blue square at (50, 50).
class PaintedParent : public QWidget {
public:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::red);
        painter.fillRect(QRect(50, 50, 10, 10), Qt::blue);
    }
};

QColor pixel(QWidget& widget, int x, int y) {
    return widget.grab().toImage().pixelColor(x, y);
}

} // namespace

TEST(DialogUnits, MapsRectanglesEdgeByEdgeWithRounding) {
    const DialogUnits font(DialogUnits::dialogFont());
    EXPECT_EQ(font.baseY(), QFontMetrics(DialogUnits::dialogFont()).height());
    EXPECT_GT(font.baseX(), 0);
    const DialogUnits units(7, 14);
    // 41 * 7 / 4 = 71.75 -> 72; (41 + 102) * 7 / 4 = 250.25 -> 250; 7 * 14 / 8 = 12.25 -> 12.
    EXPECT_EQ(units.rect(QRect(41, 7, 102, 14)), QRect(72, 12, 178, 25));
    EXPECT_EQ(units.size(QSize(420, 141)), QSize(735, 247));
    const DialogUnits smallerFont(6, 13);
    EXPECT_EQ(smallerFont.rect(QRect(4, 5, 107, 8)), QRect(6, 8, 161, 13));
}

TEST(CBmpProgCtrl, FillArithmetic) {
    struct Case {
        int position, total, controlWidth, sourceWidth, targetWidth;
    };
    const Case cases[] = {
        {1, 3, 311, 154, 103}, // 311 * 0.3333 truncated, from the leftmost 154 of 463 pixels
        {3, 3, 311, 463, 311}, {0, 5, 311, 0, 0},
        {2, 4, 100, 231, 50},  {1, 0, 311, 0, 0}, // no total: nothing filled, no division by zero
        {7, 3, 311, 463, 311}, // beyond the total: never past the control or the picture
        {-1, 3, 311, 0, 0},
    };
    for (const Case& c : cases) {
        const CBmpProgCtrl::Fill fill =
            CBmpProgCtrl::fill(c.position, c.total, c.controlWidth, 463);
        EXPECT_EQ(fill.sourceWidth, c.sourceWidth) << c.position << "/" << c.total;
        EXPECT_EQ(fill.targetWidth, c.targetWidth) << c.position << "/" << c.total;
    }
}

TEST(CBmpProgCtrl, PaintsTheFillOverExactlyTheLeftPart) {
    CBmpProgCtrl bar;
    bar.resize(311, 26);
    bar.setProgress(1, 3, true);
    const QImage filled = bar.grab().toImage();
    const int row = 13;
    const QColor fillColour = filled.pixelColor(1, row);
    const QColor backgroundColour = filled.pixelColor(200, row);
    ASSERT_NE(fillColour, backgroundColour);
    EXPECT_EQ(filled.pixelColor(102, row), fillColour);
    EXPECT_EQ(filled.pixelColor(103, row), backgroundColour);

    bar.setFilled(false);
    const QImage empty = bar.grab().toImage();
    EXPECT_EQ(empty.pixelColor(1, row), empty.pixelColor(100, row));
    EXPECT_EQ(empty.pixelColor(50, row), backgroundColour);
}

TEST(CTransParentButton, TextAndIconPlacement) {
    CTransParentButton::Geometry header;
    header.width = 70;
    header.height = 55;
    header.textHeight = 14;
    header.layout = CTransParentButton::IconLayout::IconAbove;
    header.iconWithText = true;
    header.iconGap = 10;

    struct Case {
        const char* what;
        int textLength;
        CTransParentButton::State state;
        bool enabled;
        QPoint text;
    };
    const Case cases[] = {
        // "Help": (70 - 16) / 2 - 3 = 24; y = (55 - 10 - 14 - 32) / 2 + 10 + 32 = 42.
        {"Help", 4, CTransParentButton::Normal, true, {24, 42}},
        // "About", odd length: (70 - 20) / 2 - 3 - 1 = 21.
        {"About", 5, CTransParentButton::Normal, true, {21, 42}},
        {"About pressed", 5, CTransParentButton::Pressed, true, {22, 43}},
        {"About disabled", 5, CTransParentButton::Pressed, false, {22, 42}},
    };
    for (const Case& c : cases) {
        CTransParentButton::Geometry g = header;
        g.textLength = c.textLength;
        g.state = c.state;
        g.enabled = c.enabled;
        EXPECT_EQ(CTransParentButton::textPosition(g), c.text) << c.what;
    }

    EXPECT_EQ(CTransParentButton::iconPosition(header, true), QPoint(19, 10));
    EXPECT_EQ(CTransParentButton::iconPosition(header, false), QPoint(19, 11));
    CTransParentButton::Geometry left = header;
    left.layout = CTransParentButton::IconLayout::IconLeft;
    left.textLength = 4;
    EXPECT_EQ(CTransParentButton::iconPosition(left, true), QPoint(5, 11));
    // Icon beside the text: x = (70 - 5 - 16 - 32) / 2 + 5 + 32 = 45; y = (55 - 14) / 2 = 20.
    EXPECT_EQ(CTransParentButton::textPosition(left), QPoint(45, 20));
    left.iconWithText = false;
    EXPECT_EQ(CTransParentButton::textPosition(left), QPoint(24, 20));
}

TEST(CTransParentButton, FacesFollowThePointerAndTheButton) {
    PaintedParent parent;
    parent.resize(200, 120);
    CTransParentButton button(QStringLiteral("Help"), &parent);
    button.setGeometry(40, 40, 70, 55);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_EQ(button.state(), CTransParentButton::Normal);

    // The normal face is the captured background: red, with the parent's blue square.
    EXPECT_TRUE(button.isBackgroundCaptured());
    EXPECT_EQ(pixel(button, 2, 2), QColor(Qt::red));
    EXPECT_EQ(pixel(button, 12, 12), QColor(Qt::blue));

    QEnterEvent enter(QPointF(5, 5), QPointF(45, 45), QPointF(45, 45));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.state(), CTransParentButton::Hover);
    EXPECT_EQ(pixel(button, 3, 30), QColor(252, 252, 252));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.state(), CTransParentButton::Normal);
    EXPECT_EQ(pixel(button, 3, 30), QColor(Qt::red));

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.state(), CTransParentButton::Pressed);
    EXPECT_EQ(pixel(button, 3, 30), QColor(240, 240, 240));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(button.state(), CTransParentButton::Released);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(button.state(), CTransParentButton::Normal);

    QApplication::sendEvent(&button, &enter);
    button.setEnabled(false);
    EXPECT_EQ(button.state(), CTransParentButton::Normal);
    EXPECT_EQ(pixel(button, 3, 30), QColor(Qt::red));
    // Enabled again, the button hovers anew instead of staying stuck.
    button.setEnabled(true);
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.state(), CTransParentButton::Hover);
}

TEST(CEnableEdit, TypedCharactersChangeNothingButDeleteDoes) {
    CEnableEdit edit;
    edit.setSingleLine(true);
    edit.setText(QStringLiteral("Ready"));
    edit.show();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    edit.moveCursor(QTextCursor::End);

    struct Key {
        const char* what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key ignored[] = {
        {"letter", Qt::Key_X, Qt::NoModifier},
        {"digit", Qt::Key_7, Qt::NoModifier},
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier},
        {"Enter", Qt::Key_Return, Qt::NoModifier},
        {"paste", Qt::Key_V, Qt::ControlModifier},
        {"cut", Qt::Key_X, Qt::ControlModifier},
        {"undo", Qt::Key_Z, Qt::ControlModifier},
    };
    for (const Key& k : ignored) {
        edit.selectAll();
        QTest::keyClick(&edit, k.key, k.modifiers);
        edit.moveCursor(QTextCursor::End);
        QTest::keyClick(&edit, k.key, k.modifiers);
        EXPECT_EQ(edit.text(), QStringLiteral("Ready")) << k.what;
    }

    edit.moveCursor(QTextCursor::Start);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("eady"));
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("edy"));
}

TEST(CTabCtrlEx, DesktopPaintsWhiteAndTheAddInPaintsNoBackground) {
    for (UiVariant variant : {UiVariant::Desktop, UiVariant::AddIn}) {
        PaintedParent parent;
        parent.resize(300, 200);
        CTabCtrlEx tabs(variant, &parent);
        tabs.insertItem(0, QStringLiteral("Description"));
        tabs.setGeometry(0, 0, 300, 200);
        parent.show();
        // Beside the tabs nothing but the background is painted.
        const QColor besideTabs = parent.grab().toImage().pixelColor(290, 5);
        EXPECT_EQ(besideTabs, variant == UiVariant::Desktop ? QColor(Qt::white) : QColor(Qt::red));
        EXPECT_EQ(tabs.hitTest(tabs.tabBar()->tabRect(0).center()), 0);
        EXPECT_EQ(tabs.hitTest(QPoint(290, 5)), -1);
        EXPECT_EQ(tabs.hitTest(QPoint(10, 150)), -1);
    }
}
