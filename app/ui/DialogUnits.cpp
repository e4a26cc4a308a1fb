#include "app/ui/DialogUnits.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>

namespace zarta::ui {

namespace {

// a * b / c rounded half away from zero, for the non-negative values dialog units take.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (letters / 26 + 1) / 2;
    baseY_ = metrics.height();
}

int DialogUnits::x(int units) const {
    return mulDiv(units, baseX_, 4);
}

int DialogUnits::y(int units) const {
    return mulDiv(units, baseY_, 8);
}

QRect DialogUnits::rect(const QRect& units) const {
    const int left = x(units.x());
    const int top = y(units.y());
    const int right = x(units.x() + units.width());
    const int bottom = y(units.y() + units.height());
    return QRect(left, top, right - left, bottom - top);
}

QSize DialogUnits::size(const QSize& units) const {
    return QSize(x(units.width()), y(units.height()));
}

QFont DialogUnits::dialogFont() {
    QFont font = QApplication::font();
    // The templates' rectangles leave room for the texts of a font of DejaVu Sans' proportions;
    // some desktops' default families (Noto Sans, for one) set the same texts wider than the
    // dialog units grow, and would clip them.
    if (QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans"))) {
        font.setFamily(QStringLiteral("DejaVu Sans"));
    }
    font.setPointSize(8);
    return font;
}

} // namespace zarta::ui
