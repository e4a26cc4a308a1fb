#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;

namespace zarta::ui {
class CAdvancedDlg;
class CDescriptionDlg;
class CEnableEdit;
class CSecurityDlg;
class CTabCtrlEx;
class OptionPageSwitcher;
} // namespace zarta::ui

namespace zarta {
class ConverterFactory;
} // namespace zarta

namespace zarta::addin {

// The add-in's convert dialog: converts one word-processor document, as stored on disk, into a
// PDF in a chosen folder, with the three option pages of the desktop program (the add-in's
// copies), on a worker thread of its own, then offers to open the PDF.
//
// Call order: construct (no parent), setDocumentPath() and setUnsavedChanges(), then show it
// modally (exec()). The
// dialog initialises itself when first shown: the output folder is the document's folder, the
// status "Not Started", the program's data folder is made ready and the installation folder is
// read from the registry (InstallFolder). It may run any number of conversions; the option pages
// keep their settings between runs.
//
// States: Idle (status "Not Started" or "Complete!"; everything enabled), Running (status "Start
// to Convert" with zero to six dots, changing every half second; the output edit, "Browse",
// "Convert" and the pages disabled; Escape, the close box, "Browse" and "Convert" are refused
// with "Working now,Hold for a moment!"), Completing (status "Complete!"; half a second later the
// completion dialog, only when the run wrote its PDF; "&Yes" opens the PDF with the desktop's
// handler).
//
// The controls stand on a page in a scroll area that spans the dialog. When the screen (less a
// title bar) is shorter than the page, the dialog is as tall as the screen allows, resizable
// vertically, the page scrolls, and the focused control is scrolled into view.
//
// Messages go through ui::MessageBoxes with the caption given at construction. The worker
// reaches the dialog only through calls carried onto the user-interface thread, which never
// waits for the worker; the destructor abandons a run still going and waits for its thread.
//
// User-interface thread only. The services must outlive the dialog.
class CConvertDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int templateId = 103;
    static constexpr int outputGroupId = 226;
    static constexpr int outputLabelId = 223;
    static constexpr int outputFolderId = 221;
    static constexpr int browseId = 222;
    static constexpr int tabsId = 201;
    static constexpr int statusGroupId = 227;
    static constexpr int statusLabelId = 224;
    static constexpr int statusId = 225;
    static constexpr int convertId = 1;
    static constexpr int unsavedNoticeId = 228;

    // Timer periods: the status dots and the pause before the completion dialog.
    static constexpr std::chrono::milliseconds animationPeriod{500};
    static constexpr std::chrono::milliseconds completionDelay{500};

    // messageCaption: the caption of the dialog's message boxes (the add-in module's name).
    CConvertDlg(ConverterFactory& services, QString messageCaption, QWidget* parent = nullptr);
    ~CConvertDlg() override;

    // The active document's full path (UTF-8); empty when there was none.
    void setDocumentPath(std::string path) { documentPath_ = std::move(path); }
    const std::string& documentPath() const { return documentPath_; }
    // The document has changes its file lacks: a line below the output folder says the PDF is
    // made from the saved file without them.
    void setUnsavedChanges(bool unsaved);
    bool hasUnsavedNotice() const;
    // Whether the page scrolls (the screen is too short for it).
    bool scrolls() const;
    // The folder of the last "Convert" (or of initialisation) and the PDF of the last run.
    const std::string& outputFolder() const { return outputFolder_; }
    const std::string& outputPath() const { return outputPath_; }

    bool isConverting() const { return converting_ != 0; }
    QString statusText() const;

    // The worker's pauses before converting and before reporting the end (100 ms and 2 s);
    // tests shorten them.
    void setWorkerPauses(std::chrono::milliseconds beforeRun, std::chrono::milliseconds afterRun);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    // Escape: refused while converting, otherwise closes the dialog.
    void reject() override;

private:
    struct Run;

    void buildControls();
    void fitToScreen();
    void scrollToFocus(QWidget* focused);
    int unsavedGap() const;
    void initialise();
    void browse();
    void convert();
    void animate();
    void offerToOpen();
    // On the worker thread: the steps of one run.
    void work(Run& run);
    void setStatus(const QString& text);
    void setEditingEnabled(bool enabled);
    // True while converting: the message is shown and the caller stops.
    bool refuseWhileConverting();
    void runEnded(Run* run);

    ConverterFactory& services_;
    QString messageCaption_;
    std::string documentPath_;
    std::string outputFolder_;
    std::string outputPath_;
    bool pdfWritten_ = false;
    // Written by the worker, read by the dialog's handlers.
    std::atomic<int> converting_{0};
    int animationCounter_ = 0;
    bool initialised_ = false;
    // Why no run may convert (a data folder others could change, a word processor that would run
    // with the network where isolation is required); empty when runs may go ahead.
    std::string runProblem_;
    // Said at the start of each run: the word processor runs with the network.
    std::string networkWarning_;
    std::chrono::milliseconds pauseBeforeRun_{100};
    std::chrono::milliseconds pauseAfterRun_{2000};

    QScrollArea* scroller_ = nullptr;
    QWidget* page_ = nullptr;
    // The page's size: the dialog's when the screen is tall enough.
    QSize naturalSize_;
    // The window frame's height the last fit kept free.
    int frameHeight_ = 0;
    QMetaObject::Connection focusWatch_;
    QLabel* unsavedNotice_ = nullptr;
    QGroupBox* outputGroup_ = nullptr;
    QLineEdit* outputFolderEdit_ = nullptr;
    QPushButton* browse_ = nullptr;
    ui::CTabCtrlEx* tabs_ = nullptr;
    ui::CDescriptionDlg* description_ = nullptr;
    ui::CSecurityDlg* security_ = nullptr;
    ui::CAdvancedDlg* advanced_ = nullptr;
    ui::OptionPageSwitcher* switcher_ = nullptr;
    QGroupBox* statusGroup_ = nullptr;
    ui::CEnableEdit* status_ = nullptr;
    QPushButton* convert_ = nullptr;

    QTimer animationTimer_;
    QTimer completionTimer_;
    std::vector<std::unique_ptr<Run>> runs_;
};

} // namespace zarta::addin
