#pragma once

#include <QDialog>

namespace zarta::addin {

// The add-in's completion dialog: "Conversion succeeded. Do you want to open the document?"
// with "&Yes" (the default button, ends the dialog accepted) and "&No" (ends it rejected, as
// Escape and the close box do). User-interface thread only.
class CCompleteDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int templateId = 206;
    static constexpr int messageId = 1000;

    explicit CCompleteDlg(QWidget* parent = nullptr);
};

} // namespace zarta::addin
