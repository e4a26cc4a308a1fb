#include "app/desktop/CAboutDlg.h"

#include "app/desktop/DesktopTexts.h"
#include "app/ui/Artwork.h"
#include "app/ui/CEnableEdit.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/Shell.h"
#include "app/ui/StandardIds.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

namespace zarta::desktop {

namespace {

const QColor linkColour(8, 68, 170);

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    namespace T = DesktopTexts;
    setObjectName(QString::number(templateId));
    setWindowTitle(T::aboutCaption.toString());
    setModal(true);

    ui::DialogLayout t(*this, QSize(218, 172), 9);
    t.label(T::productAndVersion.toString(), QRect(11, 66, 90, 8));
    line_ = t.place(new QFrame(this), lineId, QRect(1, 63, 217, 1));
    line_->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    t.label(T::websiteLabel.toString(), QPoint(11, 84));
    // The link is as wide as its address, so no address is ever cut off.
    link_ = t.label(T::website.toString(), QPoint(45, 84), linkId);
    QFont underlined = link_->font();
    underlined.setUnderline(true);
    link_->setFont(underlined);
    link_->resize(link_->sizeHint());
    QPalette blue = link_->palette();
    blue.setColor(QPalette::WindowText, linkColour);
    link_->setPalette(blue);
    link_->setCursor(Qt::PointingHandCursor);
    link_->installEventFilter(this);

    notice_ = t.place(new ui::CEnableEdit(this), noticeId, QRect(10, 98, 198, 44));
    notice_->setText(T::notice.toString());
    notice_->viewport()->installEventFilter(this);
    QPushButton* ok = t.pushButton(ui::StandardIds::ok, DesktopTexts::ok.toString(),
                                   QRect(158, 150, 50, 14), true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(size());
}

bool CAboutDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool leftPress = (event->type() == QEvent::MouseButtonPress ||
                            event->type() == QEvent::MouseButtonDblClick) &&
                           static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (watched == notice_->viewport() && leftPress) {
        return true;
    }
    if (watched == link_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ui::Shell::current().openUrl(QUrl(DesktopTexts::website.toString()));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CAboutDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Drawn at the size and pixel ratio it is shown at; redrawn only when they change.
    const QSize size(width(), line_->geometry().bottom() + 1);
    if (!ui::Artwork::fits(header_, size, devicePixelRatioF())) {
        header_ = ui::Artwork::bitmap(ui::Artwork::AboutHeader, size, devicePixelRatioF());
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, header_);
}

} // namespace zarta::desktop
