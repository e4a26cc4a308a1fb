#include "app/desktop/CZartaAllToPDFDlg.h"

#include "app/desktop/CAboutDlg.h"
#include "app/desktop/CConvertDlg.h"
#include "app/desktop/DesktopTexts.h"
#include "app/ui/Artwork.h"
#include "app/ui/CTransParentButton.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace zarta::desktop {

namespace {

// Pixels between the page's bottom edge and the host area's.
constexpr int pageBottomMargin = 8;
// A window shorter than the screen keeps at least this many text lines of the page in view.
constexpr int minimumLines = 12;

} // namespace

CZartaAllToPDFDlg::CZartaAllToPDFDlg(ConverterFactory& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    using namespace DesktopTexts;
    setObjectName(QString::number(templateId));
    setWindowTitle(productName.toString());
    setWindowIcon(ui::Artwork::icon(ui::Artwork::ApplicationIcon));

    ui::DialogLayout t(*this, QSize(425, 442));
    auto* website = t.place(new ui::CTransParentButton(websiteButton.toString(), this), websiteId,
                            QRect(189, 5, 40, 34));
    auto* help = t.place(new ui::CTransParentButton(helpButton.toString(), this), helpId,
                         QRect(248, 5, 40, 34));
    auto* about = t.place(new ui::CTransParentButton(aboutButton.toString(), this), aboutId,
                          QRect(307, 5, 40, 34));
    line_ = t.place(new QFrame(this), lineId, QRect(0, 40, 425, 1));
    line_->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    host_ = t.place(new QScrollArea(this), hostId, QRect(0, 41, 425, 401));
    host_->setFrameShape(QFrame::NoFrame);
    // The area only holds the page; it is no control of its own to Tab to (it would be a stop
    // without a name and without a visible focus).
    host_->setFocusPolicy(Qt::NoFocus);
    host_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    host_->viewport()->setAutoFillBackground(false);
    naturalWidth_ = width();

    content_ = new QWidget();
    content_->resize(host_->size());
    page_ = new CConvertDlg(services, content_);
    page_->setGeometry(8, 20, content_->width() - 16, content_->height() - 28);
    host_->setWidget(content_);
    connect(page_, &CConvertDlg::heightChanged, this, &CZartaAllToPDFDlg::fitToPage);
    page_->collapseOrExpand();
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                          [this](QWidget*, QWidget* now) { scrollToFocus(now); });
    // The first focus is on the file list, where the work starts, not on a header button.
    page_->setFocus();

    setUpButton(website, ui::Artwork::WebsiteIcon);
    setUpButton(help, ui::Artwork::HelpIcon);
    setUpButton(about, ui::Artwork::AboutIcon);
    connect(website, &QAbstractButton::clicked, this, &CZartaAllToPDFDlg::openWebsite);
    connect(help, &QAbstractButton::clicked, this, &CZartaAllToPDFDlg::openHelp);
    connect(about, &QAbstractButton::clicked, this, &CZartaAllToPDFDlg::about);
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            &CZartaAllToPDFDlg::openHelp);
}

void CZartaAllToPDFDlg::fitToPage() {
    content_->resize(content_->width(), page_->geometry().bottom() + 1 + pageBottomMargin);
    naturalHeight_ = host_->y() + content_->height();
    // Under a window manager the frame's height is known once the window is shown.
    const int frame = isVisible() ? std::max(frameGeometry().height() - height(), 0) : 0;
    const QScreen* shownOn = screen();
    const int available =
        shownOn != nullptr ? shownOn->availableGeometry().height() - frame : naturalHeight_;
    if (naturalHeight_ <= available) {
        setFixedSize(naturalWidth_, naturalHeight_);
        return;
    }
    // Too tall for the screen: as tall as it may be, resizable vertically, and wide enough for
    // the host area's scroll bar beside the page.
    const int width =
        naturalWidth_ + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, host_);
    const int least = host_->y() + fontMetrics().height() * minimumLines;
    setMinimumSize(width, std::min(least, available));
    setMaximumSize(width, naturalHeight_);
    resize(width, std::max(available, minimumHeight()));
}

void CZartaAllToPDFDlg::scrollToFocus(QWidget* focused) {
    if (focused == nullptr || !content_->isAncestorOf(focused)) {
        return;
    }
    // The whole control, not only its text cursor (which is all ensureWidgetVisible() shows of
    // an edit).
    const QRect area(focused->mapTo(content_, QPoint(0, 0)), focused->size());
    host_->ensureVisible(area.center().x(), area.center().y(), area.width() / 2 + 1,
                         area.height() / 2 + 1);
}

void CZartaAllToPDFDlg::resizeEvent(QResizeEvent* event) {
    // The line and the host area span the window, which is wider by a scroll bar when the host
    // area scrolls.
    if (host_ != nullptr) {
        line_->resize(width(), line_->height());
        host_->setGeometry(0, host_->y(), width(), height() - host_->y());
    }
    QWidget::resizeEvent(event);
}

void CZartaAllToPDFDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        // The screen and the frame are known now.
        fitToPage();
    }
}

CZartaAllToPDFDlg::~CZartaAllToPDFDlg() {
    // Destroying the children moves the focus; this window is no longer there to follow it.
    disconnect(focusWatch_);
}

void CZartaAllToPDFDlg::setUpButton(ui::CTransParentButton* button, int iconId) {
    const QIcon icon = ui::Artwork::icon(iconId);
    button->setNormalIcon(icon);
    button->setHoverIcon(icon);
    button->setIconWithText(true);
    button->setIconGap(10);
    button->setIconLayout(ui::CTransParentButton::IconLayout::IconAbove);
    button->repaintButton();
}

QString CZartaAllToPDFDlg::helpFilePath(const QString& executableFolder) {
    const QString name = DesktopTexts::helpFileName.toString();
    const QString beside = QDir(executableFolder).filePath(name);
    const QString installed = QDir::cleanPath(
        QDir(executableFolder).filePath(QStringLiteral(ZARTA_HELP_FROM_BIN) + u'/' + name));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed)) {
        return installed;
    }
    return beside;
}

void CZartaAllToPDFDlg::openHelp() {
    ui::Shell::current().openUrl(
        QUrl::fromLocalFile(helpFilePath(QCoreApplication::applicationDirPath())));
}

void CZartaAllToPDFDlg::openWebsite() {
    ui::Shell::current().openUrl(QUrl(DesktopTexts::website.toString()));
}

void CZartaAllToPDFDlg::about() {
    if (page_->isConverting()) {
        ui::MessageBoxes::showStandard(this, DesktopTexts::aboutRefused.toString());
        return;
    }
    showAboutBox();
}

void CZartaAllToPDFDlg::showAboutBox() {
    CAboutDlg box(this);
    box.exec();
}

void CZartaAllToPDFDlg::paintEvent(QPaintEvent*) {
    // The header ends one pixel above the line's bottom edge. It is drawn from its vector
    // original at the size and pixel ratio it is shown at, and redrawn only when they change.
    const QSize size(width(), line_->geometry().bottom());
    if (!ui::Artwork::fits(header_, size, devicePixelRatioF())) {
        header_ = ui::Artwork::bitmap(ui::Artwork::MainHeader, size, devicePixelRatioF());
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, header_);
}

void CZartaAllToPDFDlg::closeEvent(QCloseEvent* event) {
    if (page_->isConverting() && !page_->askToStop(DesktopTexts::closeCaption.toString())) {
        event->ignore();
        return;
    }
    event->accept();
}

void CZartaAllToPDFDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(DesktopTexts::aboutCommand.toString(), this, &CZartaAllToPDFDlg::showAboutBox);
    menu.exec(event->globalPos());
}

} // namespace zarta::desktop
