#include "app/desktop/CConvertDlg.h"

#include "app/desktop/BatchRun.h"
#include "app/desktop/DesktopTexts.h"
#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CEnableEdit.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CListBoxEx.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CTabCtrlEx.h"
#include "app/ui/CollectOptions.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/FileDialogs.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/OptionPageSwitcher.h"
#include "app/ui/UiTexts.h"
#include "engine/ConverterFactory.h"
#include "engine/Messages.h"
#include "engine/PasswordRules.h"
#include "engine/ProductNames.h"
#include "engine/WordFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace zarta::desktop {

namespace {

using ui::MessageBoxes;

// Everything up to and including the last separator.
QString folderOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

} // namespace

CConvertDlg::CConvertDlg(ConverterFactory& services, QWidget* parent)
    : QFrame(parent), services_(services) {
    setObjectName(QString::number(templateId));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // A white page whose labels and boxes lie on the white.
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    buildControls();
    finish_ = new ui::CFinishDlg(this);

    animationTimer_.setInterval(animationPeriod);
    finishTimer_.setInterval(finishDelay);
    finishTimer_.setSingleShot(true);
    printWatchTimer_.setInterval(printWatchPeriod);
    connect(&animationTimer_, &QTimer::timeout, this, &CConvertDlg::animate);
    connect(&finishTimer_, &QTimer::timeout, this, &CConvertDlg::finishBatch);
    connect(&printWatchTimer_, &QTimer::timeout, this, &CConvertDlg::answerWordQuestions);
}

CConvertDlg::~CConvertDlg() {
    // No worker may touch the page once it is gone, and none may leave an office or Ghostscript
    // behind: abandon them all (which ends their child processes), cut their links (which ends
    // the calls they wait in), then give them a bounded time to clean up.
    for (auto& run : runs_) {
        run->control().abandon();
        run->link().detach();
    }
    const auto deadline = std::chrono::steady_clock::now() + exitWait;
    for (auto& run : runs_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!run->wait(std::max(left, std::chrono::milliseconds(0)))) {
            // Destroying a running thread would end the program on the spot; leave it be.
            std::fprintf(stderr, "%s: a stopped conversion did not end in time\n",
                         ProductNames::program.data());
            (void)run.release();
        }
    }
}

void CConvertDlg::buildControls() {
    namespace T = DesktopTexts;
    ui::DialogLayout t(*this, QSize(442, 394));

    QFont bold = font();
    bold.setWeight(QFont::Bold);
    QLabel* heading = t.label(T::heading.toString(), QRect(7, 4, 171, 10), headingId);
    heading->setFont(bold);
    QLabel* hint = t.label(T::hint.toString(), QRect(7, 15, 198, 10));
    fileList_ = t.place(new ui::CListBoxEx(this), fileListId, QRect(7, 25, 297, 64));
    // Labels name the controls they stand beside, for screen readers.
    fileList_->setAccessibleName(heading->text());
    fileList_->setAccessibleDescription(hint->text());
    fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Mnemonics: none of these letters is used by the tabs or by any option page's controls,
    // which are in the same window.
    const auto m = &ui::Mnemonic::marked;
    addFiles_ = t.pushButton(addFilesId, m(T::addFiles, u'F'), QRect(315, 25, 63, 14));
    remove_ = t.pushButton(removeId, m(T::remove, u'R'), QRect(315, 45, 63, 14));
    removeAll_ = t.pushButton(removeAllId, m(T::removeAll, u'm'), QRect(315, 65, 63, 14));
    t.groupBox(0, T::saveTo.toString(), QRect(7, 100, 400, 44));
    QLabel* destinationLabel = t.label(m(T::selectDestination, u'e'), QRect(23, 114, 193, 8));
    destination_ = t.edit(destinationId, QRect(23, 124, 256, 14));
    destinationLabel->setBuddy(destination_);
    browse_ = t.pushButton(browseId, m(T::browse, u'B'), QRect(288, 124, 63, 14));
    QLabel* statusLabel = t.label(T::status.toString(), QRect(7, 156, 88, 10), statusLabelId);
    statusLabel->setFont(bold);
    status_ = t.place(new ui::CEnableEdit(this), statusId, QRect(7, 167, 200, 12));
    statusLabel->setBuddy(status_);
    status_->setSingleLine(true);
    status_->setFrameStyle(QFrame::NoFrame);
    status_->setFocusPolicy(Qt::NoFocus);
    status_->viewport()->installEventFilter(this);
    progress_ = t.place(new ui::CBmpProgCtrl(this), progressId, QRect(7, 180, 311, 15));
    progress_->setAccessibleName(T::progressName.toString());
    convert_ = t.pushButton(convertId, convertText(), QRect(334, 181, 63, 14));
    advanced_ = t.checkBox(advancedBoxId, QString(), QRect(8, 203, 8, 8));
    QLabel* advancedLabel = t.label(m(T::displayAdvanced, u'O'), QRect(20, 203, 87, 8));
    advancedLabel->setBuddy(advanced_);
    auto* separator = t.place(new QFrame(this), separatorId, QRect(5, 222, 402, 1));
    separator->setFrameStyle(QFrame::Box | QFrame::Plain);
    QPalette black = separator->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    separator->setPalette(black);
    separator_ = separator;
    QGroupBox* group =
        t.groupBox(advancedGroupId, T::advancedOptions.toString(), QRect(7, 232, 400, 145));
    advancedGroup_ = group;

    // The tab control lives in the group box, inset 10 on three sides and 30 at the top.
    tabs_ = new ui::CTabCtrlEx(ui::UiVariant::Desktop, group);
    tabs_->setObjectName(QString::number(tabsId));
    tabs_->setGeometry(group->rect().adjusted(10, 30, -10, -10));
    setStatus(T::notStarted.toString());
    ui::OptionPageSwitcher::insertTabs(*tabs_);
    description_ = new ui::CDescriptionDlg(ui::UiVariant::Desktop, tabs_);
    security_ = new ui::CSecurityDlg(ui::UiVariant::Desktop, tabs_);
    advancedPage_ = new ui::CAdvancedDlg(ui::UiVariant::Desktop, tabs_);
    switcher_ = new ui::OptionPageSwitcher(*tabs_, {description_, security_, advancedPage_},
                                           ui::UiVariant::Desktop);
    switcher_->showFirstPage();

    // Giving the page the focus gives it to its first control.
    setFocusProxy(fileList_);
    remove_->setEnabled(false);
    removeAll_->setEnabled(false);
    convert_->setEnabled(false);
    for (const std::string_view extension : WordFiles::desktopExtensions) {
        fileList_->addAcceptedExtension(
            QString::fromUtf8(extension.data(), qsizetype(extension.size())));
    }

    connect(addFiles_, &QPushButton::clicked, this, &CConvertDlg::addFiles);
    connect(remove_, &QPushButton::clicked, this, &CConvertDlg::remove);
    connect(removeAll_, &QPushButton::clicked, this, &CConvertDlg::removeAll);
    connect(fileList_, &QListWidget::itemSelectionChanged, this, &CConvertDlg::selectionChanged);
    connect(fileList_, &ui::CListBoxEx::filesDropped, this, &CConvertDlg::filesDropped);
    connect(browse_, &QPushButton::clicked, this, &CConvertDlg::browse);
    connect(convert_, &QPushButton::clicked, this, &CConvertDlg::convertOrStop);
    connect(advanced_, &QCheckBox::clicked, this, &CConvertDlg::collapseOrExpand);
}

QString CConvertDlg::convertText() {
    return ui::Mnemonic::marked(DesktopTexts::convert, u'C');
}

QString CConvertDlg::stopText() {
    return ui::Mnemonic::marked(DesktopTexts::stop, u't');
}

QString CConvertDlg::statusText() const {
    return status_->text();
}

void CConvertDlg::setStatus(const QString& text) {
    status_->setText(text);
}

bool CConvertDlg::eventFilter(QObject* watched, QEvent* event) {
    // The status line is only read: a click neither places a cursor nor selects.
    if (watched == status_->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                           event->type() == QEvent::MouseButtonDblClick)) {
        return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    }
    return QFrame::eventFilter(watched, event);
}

void CConvertDlg::collapseOrExpand() {
    if (!sizesRemembered_) {
        sizesRemembered_ = true;
        fullHeight_ = height();
        separatorTop_ = separator_->y();
    }
    // Collapsed option pages are hidden, not only cut off by the smaller window: hidden
    // controls leave the focus chain, so nothing can be typed into a field the user cannot see
    // (it would otherwise end up in the PDF).
    advancedGroup_->setVisible(advanced_->isChecked());
    resize(width(), advanced_->isChecked() ? fullHeight_ : separatorTop_);
    emit heightChanged();
}

bool CConvertDlg::refuseWhileConverting() {
    if (converting_) {
        MessageBoxes::showStandard(window(), ui::UiTexts::workingNow.toString());
    }
    return converting_;
}

void CConvertDlg::addFiles() {
    if (refuseWhileConverting()) {
        return;
    }
    const QStringList files =
        ui::FileDialogs::current().chooseFiles(window(), DesktopTexts::wordFilter.toString());
    if (!files.isEmpty()) {
        destination_->setText(folderOf(files.first()));
        for (const QString& path : files) {
            addChosenFile(path);
        }
        removeAll_->setEnabled(true);
        convert_->setEnabled(true);
    }
    progress_->setFilled(false);
    setStatus(DesktopTexts::ready.toString());
}

void CConvertDlg::addChosenFile(const QString& path) {
    const QString caption = ui::UiTexts::warningCaption.toString();
    if (!fileList_->hasAcceptedExtension(path)) {
        MessageBoxes::show(window(), caption, ui::UiTexts::fromEngine(Messages::formatNotSupported),
                           MessageBoxes::Icon::Information);
    } else if (fileList_->findStringExact(path) >= 0) {
        MessageBoxes::show(window(), caption, DesktopTexts::wordFileExisting.toString(),
                           MessageBoxes::Icon::Information);
    } else {
        fileList_->addString(path);
    }
}

void CConvertDlg::remove() {
    if (refuseWhileConverting()) {
        return;
    }
    for (int row = 0; row < fileList_->count();) {
        if (fileList_->item(row)->isSelected()) {
            delete fileList_->takeItem(row);
        } else {
            ++row;
        }
    }
    if (fileList_->count() == 0) {
        removeAll_->setEnabled(false);
        convert_->setEnabled(false);
    }
    remove_->setEnabled(false);
}

void CConvertDlg::removeAll() {
    if (refuseWhileConverting()) {
        return;
    }
    fileList_->clear();
    removeAll_->setEnabled(false);
    remove_->setEnabled(false);
    convert_->setEnabled(false);
}

void CConvertDlg::selectionChanged() {
    if (!converting_ && !fileList_->selectedItems().isEmpty()) {
        remove_->setEnabled(true);
    }
}

void CConvertDlg::browse() {
    if (refuseWhileConverting()) {
        return;
    }
    QString folder = ui::FileDialogs::current().chooseFolder(this);
    if (folder.isEmpty()) {
        return;
    }
    if (QFileInfo(folder).isDir() && !folder.endsWith(u'/')) {
        folder += u'/';
    }
    destination_->setText(folder);
}

void CConvertDlg::filesDropped() {
    if (fileList_->count() > 0) {
        destination_->setText(folderOf(fileList_->item(0)->text()));
    }
    setStatus(DesktopTexts::ready.toString());
    removeAll_->setEnabled(true);
    convert_->setEnabled(true);
}

void CConvertDlg::convertOrStop() {
    if (converting_) {
        stop();
    } else {
        convert();
    }
}

void CConvertDlg::convert() {
    if (fileList_->count() == 0) {
        MessageBoxes::showStandard(window(), DesktopTexts::noWordFile.toString());
        return;
    }
    QString folder = destination_->text();
    if (!QFileInfo(folder).isDir()) {
        MessageBoxes::showStandard(window(), DesktopTexts::wrongPath.toString());
        destination_->setFocus();
        return;
    }
    // A folder the PDFs cannot go into would fail every file the same way.
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        MessageBoxes::showStandard(window(), DesktopTexts::folderNotWritable.toString());
        destination_->setFocus();
        return;
    }
    const ConversionOptions options = ui::collectOptions(*description_, *security_, *advancedPage_);
    // Passwords the PDF could not keep are refused before anything changes on the page.
    if (const auto problem = PasswordRules::check(options)) {
        MessageBoxes::showStandard(window(), QString::fromStdString(problem->message));
        showPassword(problem->field == PasswordRules::Problem::Field::OwnerPassword);
        return;
    }
    if (QFileInfo(folder).isRelative()) {
        // A folder typed relative to where the program was started is made absolute now, so
        // the PDFs, the finish dialog's "Open File"/"Open Folder" and the shell all mean it.
        folder = QDir(folder).absolutePath();
        destination_->setText(folder);
    }
    if (finishTimer_.isActive()) {
        // The previous batch ended less than a second ago: its finish dialog comes first, so
        // that it lists that batch's files and cannot empty the list of this one.
        finishTimer_.stop();
        finishBatch();
    }
    // Each finish dialog lists its own batch's PDFs, never those of a batch that was stopped.
    finish_->clearProducedFiles();
    setStatus(DesktopTexts::startToConvert.toString());
    convert_->setText(stopText());
    fileList_->setBusy(true);
    animationTimer_.start();
    finish_->setDestinationFolder(folder);
    remove_->setEnabled(false);
    removeAll_->setEnabled(false);
    setEditingEnabled(false);
    converting_ = true;

    std::unique_ptr<BatchRun> run;
    try {
        run = std::make_unique<BatchRun>(*this, services_, options);
    } catch (const std::exception& error) {
        backToReady();
        MessageBoxes::showStandard(window(), QString::fromStdString(error.what()));
        return;
    }
    connect(run.get(), &BatchRun::finished, this, &CConvertDlg::batchEnded);
    current_ = run.get();
    runs_.push_back(std::move(run));
    current_->start();
}

void CConvertDlg::stop() {
    convert_->setText(convertText());
    if (!askToStop(DesktopTexts::productName.toString()) && converting_) {
        convert_->setText(stopText());
    }
}

bool CConvertDlg::askToStop(const QString& caption) {
    BatchRun* run = current_;
    if (run == nullptr) {
        return true;
    }
    run->control().hold();
    run->link().holdCalls();
    askingToStop_ = true;
    const bool yes = MessageBoxes::show(window(), caption, DesktopTexts::stopQuestion.toString(),
                                        MessageBoxes::Icon::Information,
                                        MessageBoxes::Buttons::YesNo) == MessageBoxes::Answer::Yes;
    askingToStop_ = false;
    if (current_ != run) {
        // The batch ended before the question was answered; there is nothing left to stop.
        return true;
    }
    if (yes) {
        current_ = nullptr;
        resetAfterStop();
        // Abandoning ends the worker's child processes at once; its held calls then end
        // without touching the page.
        run->control().abandon();
    } else {
        run->control().resume();
    }
    run->link().releaseCalls();
    return yes;
}

void CConvertDlg::leaveRunningState() {
    animationTimer_.stop();
    printWatchTimer_.stop();
    converting_ = false;
    fileList_->setBusy(false);
    setEditingEnabled(true);
    progress_->setFilled(false);
    convert_->setText(convertText());
}

void CConvertDlg::backToReady() {
    leaveRunningState();
    setStatus(DesktopTexts::ready.toString());
    convert_->setEnabled(fileList_->count() > 0);
    removeAll_->setEnabled(fileList_->count() > 0);
    remove_->setEnabled(fileList_->selectedRow() >= 0);
    fileList_->setFocus();
}

void CConvertDlg::showPassword(bool owner) {
    if (!advanced_->isChecked()) {
        advanced_->setChecked(true);
        collapseOrExpand();
    }
    tabs_->tabBar()->setCurrentIndex(1);
    security_->focusPassword(owner);
}

void CConvertDlg::resetAfterStop() {
    fileList_->clear();
    leaveRunningState();
    fileList_->setFocus();
    setStatus(QString::fromUtf8(Messages::statusStopped.data(),
                                qsizetype(Messages::statusStopped.size())));
    convert_->setEnabled(false);
    remove_->setEnabled(false);
    removeAll_->setEnabled(false);
}

void CConvertDlg::setEditingEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{description_, security_, advancedPage_,
                                                            addFiles_, browse_, destination_}) {
        control->setEnabled(enabled);
    }
}

void CConvertDlg::enableEditing() {
    setEditingEnabled(true);
}

void CConvertDlg::resetConvertButton() {
    // The list keeps the focus rather than handing it to whatever comes after a disabled
    // button (the header's "Website", which the next Enter would open).
    fileList_->setFocus();
    convert_->setText(convertText());
    convert_->setEnabled(false);
}

void CConvertDlg::batchEnded(BatchRun* run) {
    if (current_ == run) {
        current_ = nullptr;
    }
    const auto found = std::find_if(runs_.begin(), runs_.end(),
                                    [run](const auto& owned) { return owned.get() == run; });
    if (found != runs_.end()) {
        // The thread has done its work; this only reaps it.
        run->wait(exitWait);
        runs_.erase(found);
    }
}

void CConvertDlg::animate() {
    if (++animationCounter_ == 7) {
        setStatus(DesktopTexts::startToConvert.toString());
        animationCounter_ = 0;
    } else {
        setStatus(statusText() + u'.');
    }
}

void CConvertDlg::finishBatch() {
    if (finish_->hasContent()) {
        // The print files lived in each conversion's own work folder, which is gone by now.
        finish_->exec();
    }
    progress_->setFilled(false);
}

void CConvertDlg::answerWordQuestions() {
    const QString title = DesktopTexts::wordQuestionTitle.toString();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || window->windowTitle() != title) {
            continue;
        }
        if (auto* box = qobject_cast<QMessageBox*>(window)) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click();
                continue;
            }
        }
        if (auto* dialog = qobject_cast<QDialog*>(window)) {
            dialog->accept();
        }
    }
}

} // namespace zarta::desktop
