#include "app/ui/Mnemonic.h"

namespace zarta::ui {

QString Mnemonic::marked(QStringView text, QChar letter) {
    QString result;
    result.reserve(text.size() + 2);
    bool placed = false;
    for (const QChar c : text) {
        if (c == u'&') {
            result += u'&';
        } else if (!placed && c == letter) {
            result += u'&';
            placed = true;
        }
        result += c;
    }
    return result;
}

QString Mnemonic::plain(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
        }
        result += text[i];
    }
    return result;
}

} // namespace zarta::ui
