#include "addin/dialog/CCompleteDlg.h"

#include "addin/dialog/AddinTexts.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/StandardIds.h"

#include <QLabel>
#include <QPushButton>

namespace zarta::addin {

CCompleteDlg::CCompleteDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(AddinTexts::caption.toString());
    setObjectName(QString::number(templateId));
    setModal(true);

    ui::DialogLayout t(*this, QSize(187, 78));
    // The text wraps within the template's rectangle (two lines), which the single-line
    // widening of the layout must not undo.
    const QRect messageRect(33, 14, 134, 26);
    QLabel* message = t.label(AddinTexts::succeeded.toString(), messageRect, messageId);
    message->setWordWrap(true);
    message->setGeometry(t.units().rect(messageRect));
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPushButton* yes =
        t.pushButton(ui::StandardIds::ok, AddinTexts::yes.toString(), QRect(41, 58, 50, 14), true);
    QPushButton* no =
        t.pushButton(ui::StandardIds::cancel, AddinTexts::no.toString(), QRect(95, 58, 50, 14));
    setFixedSize(size());
    yes->setFocus();

    connect(yes, &QPushButton::clicked, this, &CCompleteDlg::accept);
    connect(no, &QPushButton::clicked, this, &CCompleteDlg::reject);
}

} // namespace zarta::addin
