#pragma once

#include <QFrame>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace zarta::ui {
class CAdvancedDlg;
class CBmpProgCtrl;
class CDescriptionDlg;
class CEnableEdit;
class CFinishDlg;
class CListBoxEx;
class CSecurityDlg;
class CTabCtrlEx;
class OptionPageSwitcher;
} // namespace zarta::ui

namespace zarta {
class ConverterFactory;
} // namespace zarta

namespace zarta::desktop {

class BatchRun;

// The convert page: the list of Word files, the destination folder, the "Convert"/"Stop"
// button, the status line and progress bar, and the collapsible "Advanced Options:" area with
// the three option pages. It owns everything a batch needs and runs each batch on a worker
// thread of its own (BatchRun), which reaches the page only through calls carried onto this
// thread.
//
// States: Empty (nothing listed; "Convert" disabled), Ready (files listed), Running (the button
// reads "Stop"; editing controls and option pages disabled; the list refuses drops), Asking to
// stop (the worker is held and its calls wait until the user has answered).
//
// The page never waits for a worker, with one exception: its destructor abandons every batch
// still running and waits, bounded, for their threads, so that no office or Ghostscript process
// outlives the program.
//
// User-interface thread only. The services must outlive the page.
class CConvertDlg : public QFrame {
    Q_OBJECT
public:
    static constexpr int templateId = 130;
    static constexpr int headingId = 1003;
    static constexpr int fileListId = 1008;
    static constexpr int addFilesId = 1009;
    static constexpr int removeId = 1010;
    static constexpr int removeAllId = 1011;
    static constexpr int destinationId = 1017;
    static constexpr int browseId = 1018;
    static constexpr int statusLabelId = 1004;
    static constexpr int statusId = 1023;
    static constexpr int progressId = 1027;
    static constexpr int convertId = 1019;
    static constexpr int advancedBoxId = 1001;
    static constexpr int separatorId = 1022;
    static constexpr int advancedGroupId = 1012;
    static constexpr int tabsId = 1006;

    // Timer periods: status dots, the pause before the finish dialog, the print watch.
    static constexpr std::chrono::milliseconds animationPeriod{500};
    static constexpr std::chrono::milliseconds finishDelay{1000};
    static constexpr std::chrono::milliseconds printWatchPeriod{200};
    // How long the destructor waits for abandoned workers to end.
    static constexpr std::chrono::seconds exitWait{30};

    explicit CConvertDlg(ConverterFactory& services, QWidget* parent = nullptr);
    ~CConvertDlg() override;

    // The "Display Advanced Options." handler: on its first call it remembers the page's height
    // and the separator's position; then it shows the whole page (box checked) or cuts the page
    // at the separator (box unchecked), and emits heightChanged() so that the window holding the
    // page can follow.
    void collapseOrExpand();

    bool isConverting() const { return converting_; }
    bool isAskingToStop() const { return askingToStop_; }
    // Holds the running batch and asks whether to stop it. Yes resets the page and abandons the
    // batch; No lets it go on. Returns true when no batch runs any more.
    bool askToStop(const QString& caption);

    // What the batch worker uses, on this thread.
    ui::CListBoxEx* fileList() const { return fileList_; }
    ui::CBmpProgCtrl* progressBar() const { return progress_; }
    ui::CFinishDlg& finishDialog() const { return *finish_; }
    QString statusText() const;
    void setStatus(const QString& text);
    void setConverting(bool converting) { converting_ = converting; }
    // Enables the option pages, "Add File(s)", "Browse" and the destination edit.
    void enableEditing();
    // "Convert" again, disabled.
    void resetConvertButton();
    // After a batch whose options were refused before any file: as before "Convert".
    void batchRefused() { backToReady(); }
    void stopStatusAnimation() { animationTimer_.stop(); }
    void startFinishTimer() { finishTimer_.start(); }
    void startPrintWatch() { printWatchTimer_.start(); }
    void stopPrintWatch() { printWatchTimer_.stop(); }
    bool isPrintWatchRunning() const { return printWatchTimer_.isActive(); }

    // Batches whose threads have not ended yet (a stopped batch may still be cleaning up).
    int liveBatches() const { return int(runs_.size()); }

signals:
    // The page was collapsed or expanded (its height changed).
    void heightChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The Convert/Stop button's two texts, with their mnemonics.
    static QString convertText();
    static QString stopText();
    void buildControls();
    void addFiles();
    void addChosenFile(const QString& path);
    void remove();
    void removeAll();
    void selectionChanged();
    void browse();
    void convertOrStop();
    void convert();
    void stop();
    void filesDropped();
    void animate();
    void finishBatch();
    void answerWordQuestions();
    // Stops the timers and enables what Convert disabled, keeping the list.
    void leaveRunningState();
    // The page after a confirmed Stop: list emptied, status "Stoped", "Convert" disabled.
    void resetAfterStop();
    // Ready again with the list as it was, after a batch that could not start.
    void backToReady();
    // Shows the security page with the owner's (or user's) password field focused.
    void showPassword(bool owner);
    void setEditingEnabled(bool enabled);
    // True when a batch runs: the message is shown and the caller stops.
    bool refuseWhileConverting();
    void batchEnded(BatchRun* run);

    ConverterFactory& services_;

    ui::CListBoxEx* fileList_ = nullptr;
    QPushButton* addFiles_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    QLineEdit* destination_ = nullptr;
    QPushButton* browse_ = nullptr;
    ui::CEnableEdit* status_ = nullptr;
    ui::CBmpProgCtrl* progress_ = nullptr;
    QPushButton* convert_ = nullptr;
    QCheckBox* advanced_ = nullptr;
    QWidget* separator_ = nullptr;
    QWidget* advancedGroup_ = nullptr;
    ui::CTabCtrlEx* tabs_ = nullptr;
    ui::CDescriptionDlg* description_ = nullptr;
    ui::CSecurityDlg* security_ = nullptr;
    ui::CAdvancedDlg* advancedPage_ = nullptr;
    ui::OptionPageSwitcher* switcher_ = nullptr;
    ui::CFinishDlg* finish_ = nullptr;

    bool converting_ = false;
    bool askingToStop_ = false;
    int animationCounter_ = 0;
    QTimer animationTimer_;
    QTimer finishTimer_;
    QTimer printWatchTimer_;

    bool sizesRemembered_ = false;
    int fullHeight_ = 0;
    int separatorTop_ = 0; // in the page's coordinates

    std::vector<std::unique_ptr<BatchRun>> runs_;
    BatchRun* current_ = nullptr;
};

} // namespace zarta::desktop
