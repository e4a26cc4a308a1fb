#include "addin/dialog/CConvertDlg.h"

#include "addin/dialog/AddinTexts.h"
#include "addin/dialog/CCompleteDlg.h"
#include "addin/dialog/InstallFolder.h"
#include "app/ui/Artwork.h"
#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CEnableEdit.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/CollectOptions.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/GuiThreadCall.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/OptionPageSwitcher.h"
#include "app/ui/Shell.h"
#include "app/ui/UiTexts.h"
#include "engine/BatchAbandoned.h"
#include "engine/BatchControl.h"
#include "engine/ConversionOptions.h"
#include "engine/ConverterFactory.h"
#include "engine/FileConverter.h"
#include "engine/Messages.h"
#include "engine/ProductNames.h"
#include "engine/QuietPrintWatch.h"
#include "engine/SingleDocumentConversion.h"
#include "engine/UserPrompts.h"
#include "platform/folders/DataFolders.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/registry/Registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <cstdio>

namespace zarta::addin {

namespace {

using ui::MessageBoxes;

// How long the destructor waits for a run that is still going.
constexpr std::chrono::seconds exitWait{30};
// A dialog shorter than the screen keeps at least this many text lines of the page in view.
constexpr int minimumLines = 12;

// The run's messages, as the standard message box over the dialog, shown on the user-interface
// thread while the worker waits. No password is ever asked for: the add-in's conversion opens
// documents without one.
class DialogPrompts : public UserPrompts {
public:
    DialogPrompts(QWidget& dialog, QString caption, ui::GuiThreadCall& link)
        : dialog_(dialog), caption_(std::move(caption)), link_(link) {}

    void showMessage(const std::string& text) override {
        link_.run([this, message = QString::fromStdString(text)] {
            MessageBoxes::show(&dialog_, caption_, message, MessageBoxes::Icon::Warning);
        });
    }
    std::optional<std::string> askPassword(const std::string&, bool) override {
        return std::nullopt;
    }

private:
    QWidget& dialog_;
    QString caption_;
    ui::GuiThreadCall& link_;
};

// The label font: the dialog's font made 2 pixels smaller and narrowed to about 3 pixels a
// character. It keeps the regular weight: the lightest weight is asked for, but the dialog fonts
// it was drawn with have no light face, and a light face where the family has one (DejaVu's
// ExtraLight) is too faint to read at this size.
QFont labelFont(const QFont& dialogFont) {
    QFont font = dialogFont;
    font.setPixelSize(std::max(QFontInfo(dialogFont).pixelSize() - 2, 6));
    const int average = QFontMetrics(font).averageCharWidth();
    if (average > 3) {
        font.setStretch(std::clamp(100 * 3 / average, 50, 100));
    }
    return font;
}

} // namespace

// One run: its control (abandoned only when the dialog goes away during the run), the link
// that carries the worker's calls onto the user-interface thread, its prompts and what it
// converts. Owned by the dialog; destroyed once its thread has ended.
struct CConvertDlg::Run {
    Run(CConvertDlg& dialog, ConversionOptions runOptions)
        : link(&dialog, control), prompts(dialog, dialog.messageCaption_, link),
          options(std::move(runOptions)) {}
    ~Run() { link.detach(); }

    BatchControl control;
    ui::GuiThreadCall link;
    DialogPrompts prompts;
    // The office's questions are answered by its interaction handler; nothing to watch.
    QuietPrintWatch printWatch;
    ConversionOptions options;
    std::string documentPath;
    std::string outputFolder;
    std::string installFolder;
    std::string dataFolder;
    std::string problem;
    std::string networkWarning;
    QThread* thread = nullptr;
};

CConvertDlg::CConvertDlg(ConverterFactory& services, QString messageCaption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      services_(services), messageCaption_(std::move(messageCaption)) {
    setWindowTitle(AddinTexts::caption.toString());
    setObjectName(QString::number(templateId));
    setWindowIcon(ui::Artwork::icon(ui::Artwork::ApplicationIcon));
    setModal(true);
    buildControls();

    animationTimer_.setInterval(animationPeriod);
    completionTimer_.setInterval(completionDelay);
    completionTimer_.setSingleShot(true);
    connect(&animationTimer_, &QTimer::timeout, this, &CConvertDlg::animate);
    connect(&completionTimer_, &QTimer::timeout, this, &CConvertDlg::offerToOpen);
}

CConvertDlg::~CConvertDlg() {
    // Destroying the children moves the focus; this dialog is no longer there to follow it.
    disconnect(focusWatch_);
    // No worker may touch the dialog once it is gone, nor leave its word processor or
    // Ghostscript behind: abandon the runs (which ends their child processes), cut their
    // links, then give their threads a bounded time to clean up.
    for (auto& run : runs_) {
        run->control.abandon();
        run->link.detach();
    }
    const auto deadline = std::chrono::steady_clock::now() + exitWait;
    for (auto& run : runs_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!run->thread->wait(QDeadlineTimer(std::max(left, std::chrono::milliseconds(0))))) {
            // Destroying a running thread would end the process on the spot; leave it be.
            std::fprintf(stderr, "%s: a conversion did not end in time\n",
                         ProductNames::product.data());
            run->thread->setParent(nullptr);
            (void)run.release();
        }
    }
}

void CConvertDlg::buildControls() {
    namespace T = AddinTexts;
    // The controls stand on a page inside a scroll area that spans the dialog: on a screen
    // too short for the dialog, the page scrolls instead of being cut off.
    scroller_ = new QScrollArea(this);
    scroller_->setFrameShape(QFrame::NoFrame);
    // The area only holds the page; it is no control of its own to Tab to.
    scroller_->setFocusPolicy(Qt::NoFocus);
    scroller_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page_ = new QWidget();
    ui::DialogLayout t(*page_, QSize(297, 364));
    setFont(page_->font());
    const QFont special = labelFont(font());
    const auto m = &ui::Mnemonic::marked;

    outputGroup_ = t.groupBox(outputGroupId, QString(), QRect(10, 1, 278, 58));
    QLabel* outputLabel = t.label(T::outputFile.toString(), QRect(24, 8, 55, 13), outputLabelId);
    outputLabel->setFont(special);
    QLabel* hint = t.label(m(T::selectFolder, u'f'), QRect(24, 22, 106, 8));
    outputFolderEdit_ = t.edit(outputFolderId, QRect(24, 35, 182, 14));
    // Labels name the controls they stand beside, for screen readers, and their mnemonics move
    // the focus there.
    hint->setBuddy(outputFolderEdit_);
    browse_ = t.pushButton(browseId, m(T::browse, u'B'), QRect(217, 34, 50, 14));
    browse_->setAutoDefault(false);

    tabs_ =
        t.place(new ui::CTabCtrlEx(ui::UiVariant::AddIn, page_), tabsId, QRect(10, 65, 278, 238));
    ui::OptionPageSwitcher::insertTabs(*tabs_);
    description_ = new ui::CDescriptionDlg(ui::UiVariant::AddIn, tabs_);
    security_ = new ui::CSecurityDlg(ui::UiVariant::AddIn, tabs_);
    advanced_ = new ui::CAdvancedDlg(ui::UiVariant::AddIn, tabs_);
    switcher_ = new ui::OptionPageSwitcher(*tabs_, {description_, security_, advanced_},
                                           ui::UiVariant::AddIn);
    switcher_->showFirstPage();

    statusGroup_ = t.groupBox(statusGroupId, QString(), QRect(10, 305, 278, 53));
    QLabel* statusLabel = t.label(T::status.toString(), QRect(18, 318, 37, 10), statusLabelId);
    statusLabel->setFont(special);
    status_ = t.place(new ui::CEnableEdit(page_), statusId, QRect(17, 334, 167, 14));
    statusLabel->setBuddy(status_);
    status_->setSingleLine(true);
    status_->setFrameStyle(QFrame::NoFrame);
    status_->setFocusPolicy(Qt::NoFocus);
    status_->viewport()->installEventFilter(this);
    convert_ = t.pushButton(convertId, m(T::convert, u'C'), QRect(217, 334, 62, 14), true);
    // The marks stay out of what a screen reader says.
    for (QPushButton* button : {browse_, convert_}) {
        button->setAccessibleName(ui::Mnemonic::plain(button->text()));
    }

    // Shown below the output folder when the document has unsaved changes.
    unsavedNotice_ = new QLabel(T::unsavedChanges.toString(), page_);
    unsavedNotice_->setObjectName(QString::number(unsavedNoticeId));
    unsavedNotice_->setWordWrap(true);
    unsavedNotice_->setGeometry(t.units().rect(QRect(16, 61, 266, 18)));
    unsavedNotice_->hide();

    // The group boxes' insides are painted white on the page; their own frame stays.
    for (QGroupBox* group : {outputGroup_, statusGroup_}) {
        group->setAttribute(Qt::WA_NoSystemBackground);
        group->lower();
    }
    page_->installEventFilter(this);
    scroller_->setWidget(page_);
    scroller_->viewport()->setAutoFillBackground(false);
    naturalSize_ = page_->size();
    setFixedSize(naturalSize_);
    scroller_->setGeometry(rect());
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget*, QWidget* now) { scrollToFocus(now); });

    connect(browse_, &QPushButton::clicked, this, &CConvertDlg::browse);
    connect(convert_, &QPushButton::clicked, this, &CConvertDlg::convert);
}

void CConvertDlg::setUnsavedChanges(bool unsaved) {
    if (unsaved == unsavedNotice_->isVisibleTo(this)) {
        return;
    }
    // The notice takes a band below the output folder; everything below it moves down by the
    // band, or back up when it goes.
    const int band = (unsaved ? 1 : -1) * (unsavedNotice_->height() + unsavedGap());
    const int below = outputGroup_->geometry().bottom();
    for (QWidget* child : page_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != unsavedNotice_ && child->y() > below) {
            child->move(child->x(), child->y() + band);
        }
    }
    unsavedNotice_->setVisible(unsaved);
    naturalSize_.rheight() += band;
    page_->resize(naturalSize_);
    fitToScreen();
}

int CConvertDlg::unsavedGap() const {
    return fontMetrics().height() / 3;
}

bool CConvertDlg::hasUnsavedNotice() const {
    return unsavedNotice_->isVisibleTo(this);
}

void CConvertDlg::fitToScreen() {
    // Under a window manager the frame's height is known once the window is shown; until then
    // a title bar's height is kept free for it.
    const int measured = isVisible() ? frameGeometry().height() - height() : 0;
    frameHeight_ =
        measured > 0 ? measured : style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QScreen* shownOn = screen();
    const int available = shownOn != nullptr ? shownOn->availableGeometry().height() - frameHeight_
                                             : naturalSize_.height();
    if (naturalSize_.height() <= available) {
        setFixedSize(naturalSize_);
    } else {
        // Too tall for the screen: as tall as it may be, resizable vertically, and wide enough
        // for the scroll bar beside the page.
        const int width = naturalSize_.width() +
                          style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller_);
        const int least = fontMetrics().height() * minimumLines;
        setMinimumSize(width, std::min(least, available));
        setMaximumSize(width, naturalSize_.height());
        resize(width, std::max(available, minimumHeight()));
    }
    scroller_->setGeometry(rect());
}

bool CConvertDlg::scrolls() const {
    return height() < naturalSize_.height();
}

void CConvertDlg::scrollToFocus(QWidget* focused) {
    if (focused == nullptr || !page_->isAncestorOf(focused)) {
        return;
    }
    // The whole control, not only its text cursor (which is all ensureWidgetVisible() shows of
    // an edit).
    const QRect area(focused->mapTo(page_, QPoint(0, 0)), focused->size());
    scroller_->ensureVisible(area.center().x(), area.center().y(), area.width() / 2 + 1,
                             area.height() / 2 + 1);
}

void CConvertDlg::resizeEvent(QResizeEvent* event) {
    scroller_->setGeometry(rect());
    QDialog::resizeEvent(event);
}

void CConvertDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // The window manager has framed the dialog: fitted again when the frame is not the one
    // that was kept free.
    const int measured = frameGeometry().height() - height();
    if (isVisible() && measured > 0 && measured != frameHeight_) {
        fitToScreen();
    }
}

void CConvertDlg::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        initialise();
    }
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // The screen is known now.
        fitToScreen();
    }
}

void CConvertDlg::initialise() {
    const auto slash = documentPath_.rfind('/');
    outputFolder_ = slash == std::string::npos ? std::string() : documentPath_.substr(0, slash + 1);
    outputFolderEdit_->setText(QString::fromStdString(outputFolder_));
    setStatus(AddinTexts::notStarted.toString());
    // A data folder that cannot be used safely is remembered: no run converts with it.
    try {
        DataFolders::prepare(services_.dataFolder());
        runProblem_.clear();
    } catch (const DataFolders::Refused& refused) {
        runProblem_ = refused.what();
    }
    const auto network = NetworkIsolation::notice();
    networkWarning_ = network && !network->refuse ? network->text : std::string();
    if (network && network->refuse && runProblem_.empty()) {
        runProblem_ = network->text;
    }
    InstallFolder::refresh(Registry::forCurrentUser());
}

QString CConvertDlg::statusText() const {
    return status_->text();
}

void CConvertDlg::setStatus(const QString& text) {
    status_->setText(text);
}

void CConvertDlg::setWorkerPauses(std::chrono::milliseconds beforeRun,
                                  std::chrono::milliseconds afterRun) {
    pauseBeforeRun_ = beforeRun;
    pauseAfterRun_ = afterRun;
}

bool CConvertDlg::refuseWhileConverting() {
    if (isConverting()) {
        MessageBoxes::show(this, messageCaption_, ui::UiTexts::workingNow.toString(),
                           MessageBoxes::Icon::Warning);
        return true;
    }
    return false;
}

void CConvertDlg::reject() {
    if (!refuseWhileConverting()) {
        QDialog::reject();
    }
}

void CConvertDlg::closeEvent(QCloseEvent* event) {
    if (refuseWhileConverting()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool CConvertDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == page_ && event->type() == QEvent::Paint) {
        // The output and status areas are white, from just below the top of their frames. The
        // page draws nothing of its own, so this is all its painting.
        QPainter painter(page_);
        for (const QGroupBox* group : {outputGroup_, statusGroup_}) {
            painter.fillRect(group->geometry().adjusted(0, 6, 0, 0), Qt::white);
        }
        return true;
    }
    // The status line is only read: a left click neither places a cursor nor selects.
    if (watched == status_->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                           event->type() == QEvent::MouseButtonDblClick)) {
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    }
    return QDialog::eventFilter(watched, event);
}

void CConvertDlg::browse() {
    if (refuseWhileConverting()) {
        return;
    }
    QString folder = ui::FileDialogs::current().chooseFolder(this);
    if (folder.isEmpty()) {
        return;
    }
    if (!folder.endsWith(u'/')) {
        folder += u'/';
    }
    outputFolderEdit_->setText(folder);
}

void CConvertDlg::setEditingEnabled(bool enabled) {
    for (QWidget* widget : std::initializer_list<QWidget*>{security_, description_, advanced_,
                                                           outputFolderEdit_, browse_, convert_}) {
        widget->setEnabled(enabled);
    }
}

void CConvertDlg::convert() {
    if (refuseWhileConverting()) {
        return;
    }
    outputFolder_ = outputFolderEdit_->text().toStdString();
    const QFileInfo folder(QString::fromStdString(outputFolder_));
    if (outputFolder_.empty() || !folder.isDir()) {
        MessageBoxes::show(this, messageCaption_, AddinTexts::wrongPath.toString(),
                           MessageBoxes::Icon::Warning);
        return;
    }
    if (folder.isRelative()) {
        // A relative folder would depend on the host's working folder; the PDF and "&Yes"
        // both mean the folder it names now.
        outputFolder_ = folder.absoluteFilePath().toStdString() + "/";
        outputFolderEdit_->setText(QString::fromStdString(outputFolder_));
    }
    setStatus(AddinTexts::startToConvert.toString());
    animationTimer_.start();
    auto run =
        std::make_unique<Run>(*this, ui::collectOptions(*description_, *security_, *advanced_));
    setEditingEnabled(false);
    pdfWritten_ = false;

    run->documentPath = documentPath_;
    run->outputFolder = outputFolder_;
    run->installFolder = InstallFolder::current();
    run->dataFolder = services_.dataFolder();
    run->problem = runProblem_;
    run->networkWarning = networkWarning_;
    Run& started = *run;
    started.thread = QThread::create([this, &started] { work(started); });
    started.thread->setParent(this);
    connect(started.thread, &QThread::finished, this, [this, &started] { runEnded(&started); });
    runs_.push_back(std::move(run));
    // Marked before the thread starts, so a handler never sees a run that is not converting.
    converting_ = 1;
    started.thread->start();
}

void CConvertDlg::work(Run& run) {
    try {
        converting_ = 1;
        run.control.sleepFor(pauseBeforeRun_);
        SingleDocumentConversion::Result result;
        if (!run.problem.empty()) {
            run.prompts.showMessage(run.problem);
        } else {
            if (!run.networkWarning.empty()) {
                run.prompts.showMessage("Warning: " + run.networkWarning);
            }
            try {
                // The converter's word processor is this run's own and ends with it. The add-in
                // cannot ask for a document's password.
                ConverterFactory::Request request;
                request.askForPasswords = false;
                request.installFolder = run.installFolder;
                request.count = 1;
                const auto converters =
                    services_.makeConverters(request, run.prompts, run.printWatch);
                SingleDocumentConversion conversion(*converters.front(), run.prompts,
                                                    run.dataFolder);
                result = conversion.convertDocument(run.documentPath, run.outputFolder, run.options,
                                                    run.control);
            } catch (const BatchAbandoned&) {
                throw;
            } catch (const std::exception& error) {
                run.prompts.showMessage(error.what());
            }
        }
        run.link.run([this, &result] {
            outputPath_ = result.outputPath;
            pdfWritten_ = result.written;
            animationTimer_.stop();
        });
        run.control.sleepFor(pauseAfterRun_);
        converting_ = 0;
        run.link.run([this] {
            setStatus(ui::UiTexts::fromEngine(Messages::statusComplete));
            setEditingEnabled(true);
            completionTimer_.start();
        });
    } catch (const BatchAbandoned&) {
        // The dialog is going away and no longer waits for anything of this run.
        converting_ = 0;
    }
}

void CConvertDlg::runEnded(Run* run) {
    const auto it = std::find_if(runs_.begin(), runs_.end(),
                                 [run](const auto& owned) { return owned.get() == run; });
    if (it != runs_.end()) {
        run->thread->deleteLater();
        runs_.erase(it);
    }
}

void CConvertDlg::animate() {
    if (++animationCounter_ == 7) {
        setStatus(AddinTexts::startToConvert.toString());
        animationCounter_ = 0;
    } else {
        setStatus(statusText() + u'.');
    }
}

void CConvertDlg::offerToOpen() {
    // The completion dialog follows only a run that wrote its PDF: anything else has already
    // been reported, and there would be nothing to open.
    if (!pdfWritten_) {
        return;
    }
    CCompleteDlg complete;
    if (complete.exec() == QDialog::Accepted) {
        ui::Shell::current().openUrl(QUrl::fromLocalFile(QString::fromStdString(outputPath_)));
    }
}

} // namespace zarta::addin
