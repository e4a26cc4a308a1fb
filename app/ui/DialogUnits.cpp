#include "app/ui/DialogUnits.h"

#include <QApplication>
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
    return QApplication::font();
}

} // namespace zarta::ui
