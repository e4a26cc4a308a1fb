#include "app/desktop/CZartaAllToPDFDlg.h"

#include "app/desktop/CAboutDlg.h"
#include "app/desktop/CConvertDlg.h"
#include "app/desktop/DesktopTexts.h"
#include "app/ui/Artwork.h"
#include "app/ui/CTransParentButton.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Shell.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QUrl>

namespace zarta::desktop {

CZartaAllToPDFDlg::CZartaAllToPDFDlg(ConversionServices& services, QWidget* parent)
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
    QWidget* host = t.place(new QWidget(this), hostId, QRect(0, 41, 425, 401));
    header_ = ui::Artwork::bitmap(ui::Artwork::MainHeader);
    setFixedSize(size());

    page_ = new CConvertDlg(services, host);
    page_->setOwnerWindow(this);
    page_->setGeometry(8, 20, host->width() - 16, host->height() - 28);
    page_->collapseOrExpand();
    page_->show();
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
    if (header_.isNull()) {
        return;
    }
    // The header ends one pixel above the line's bottom edge.
    QPainter painter(this);
    painter.drawPixmap(QRect(0, 0, width(), line_->geometry().bottom()), header_);
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
