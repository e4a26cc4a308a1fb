#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class QFrame;
class QScrollArea;

namespace zarta::ui {
class CTransParentButton;
}

namespace zarta {
class ConverterFactory;
} // namespace zarta

namespace zarta::desktop {

class CConvertDlg;

// The main window: a window of fixed size (but see below) with a header strip (bitmap 2,
// stretched) carrying the "Website", "Help" and "About" buttons, an etched line under it, and
// the convert page embedded in the host area below, 8 pixels inside its left, right and bottom
// edges and 20 below its top. It starts collapsed at the page's separator and follows the page's
// height when the page is collapsed or expanded.
//
// All of it is laid out in the desktop's font, so it grows with the font size. Where the window
// would be taller than the screen's available area, it is made as tall as that area and may be
// resized vertically (down to a minimum and up to its whole height); the host area then scrolls,
// and a control that takes the focus is scrolled into view.
//
// It has no conversion logic: "About" is refused while the page converts, and closing the
// window while it converts asks first (holding the batch; Yes abandons it). "About Zarta Word
// To PDF" in the window's context menu opens the about box at any time. "Help" and F1 open the
// help page; Enter and Escape never close the window.
//
// User-interface thread only. The services must outlive the window.
class CZartaAllToPDFDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int templateId = 102;
    static constexpr int lineId = 1000;
    static constexpr int hostId = 1001;
    static constexpr int helpId = 1022;
    static constexpr int aboutId = 1023;
    static constexpr int websiteId = 1025;

    explicit CZartaAllToPDFDlg(ConverterFactory& services, QWidget* parent = nullptr);
    ~CZartaAllToPDFDlg() override;

    CConvertDlg* convertPage() const { return page_; }

    // The help page for a program in the given folder: beside the executable, or else in the
    // installed data folder; the former when neither exists.
    static QString helpFilePath(const QString& executableFolder);

    void openHelp();
    void openWebsite();
    // The "About" button: refused while a batch runs.
    void about();
    // The context menu's command: the about box at any time.
    void showAboutBox();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void setUpButton(ui::CTransParentButton* button, int iconId);
    // Sizes the host area's content to the page and the window to the content and the screen.
    void fitToPage();
    void scrollToFocus(QWidget* focused);

    QFrame* line_ = nullptr;
    QScrollArea* host_ = nullptr;
    QWidget* content_ = nullptr;
    QMetaObject::Connection focusWatch_;
    int naturalWidth_ = 0;
    int naturalHeight_ = 0;
    // The header picture at the size and pixel ratio it was last drawn at.
    QPixmap header_;
    CConvertDlg* page_ = nullptr;
};

} // namespace zarta::desktop
