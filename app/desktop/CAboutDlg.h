#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QFrame;

namespace zarta::ui {
class CEnableEdit;
}

namespace zarta::desktop {

// The about box: the header picture (bitmap 140) stretched over the area above its line, the
// product and version, the project's web address as a link (underlined, blue, hand cursor;
// a click opens it through the Shell) and a two-line notice that can be neither clicked into
// nor typed into. "OK" (also Enter and Escape) closes it.
//
// User-interface thread only.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int templateId = 100;
    static constexpr int noticeId = 1028;
    static constexpr int linkId = 1029;
    static constexpr int lineId = 1030;

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* link() const { return link_; }
    ui::CEnableEdit* notice() const { return notice_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* link_ = nullptr;
    ui::CEnableEdit* notice_ = nullptr;
    QFrame* line_ = nullptr;
    // The header picture at the size and pixel ratio it was last drawn at.
    QPixmap header_;
};

} // namespace zarta::desktop
