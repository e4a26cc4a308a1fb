#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace zarta::ui {

// Keyboard mnemonics in control texts: an "&" before a letter underlines it and makes Alt and
// that letter act on the control (or, for a label, on its buddy). The letters of a text never
// change; only the mark is added, and removed again where the plain text is wanted (an
// accessible name that is set explicitly, a text compared with the original).
class Mnemonic {
public:
    // The text with the mark before the first occurrence of the letter (compared exactly, case
    // included). An "&" already in the text is doubled so it shows as itself. A text without
    // the letter is returned unmarked.
    static QString marked(QStringView text, QChar letter);
    // The text as shown: marks removed, doubled "&" shown once.
    static QString plain(QStringView text);
};

} // namespace zarta::ui
