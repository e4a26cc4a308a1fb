#include "app/ui/CFinishDlg.h"

#include "app/ui/Artwork.h"
#include "app/ui/DialogLayout.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/Shell.h"
#include "app/ui/SortedListBox.h"
#include "app/ui/StandardIds.h"
#include "app/ui/UiTexts.h"
#include "engine/ProductNames.h"

#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

namespace zarta::ui {

CFinishDlg::CFinishDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(UiTexts::fromEngine(ProductNames::product));
    setObjectName(QString::number(templateId));
    setModal(true);

    // The section of files not converted lies below the template's own controls.
    DialogLayout t(*this, QSize(248, 176));
    picture_ = t.label(QString(), QRect(14, 4, 45, 35));
    picture_->resize(Artwork::nominalSize(Artwork::FinishPicture));
    message_ = t.label(QString(), QRect(47, 10, 173, 8), messageId);
    fileList_ = t.place(new SortedListBox(this), fileListId, QRect(13, 28, 221, 52));
    fileList_->setSelectionMode(QAbstractItemView::SingleSelection);
    fileList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPushButton* openFile =
        t.pushButton(openFileId, Mnemonic::marked(UiTexts::openFile, u'F'), QRect(43, 88, 58, 14));
    QPushButton* openFolder = t.pushButton(
        openFolderId, Mnemonic::marked(UiTexts::openFolder, u'l'), QRect(110, 88, 58, 14), true);
    QPushButton* close = t.pushButton(StandardIds::cancel, Mnemonic::marked(UiTexts::close, u'C'),
                                      QRect(177, 88, 58, 14));
    failedLabel_ = t.label(Mnemonic::marked(UiTexts::notConverted, u'N'), QRect(13, 110, 221, 8),
                           failedLabelId);
    failedList_ = t.place(new QListWidget(this), failedListId, QRect(13, 120, 221, 48));
    failedList_->setAccessibleName(UiTexts::filesNotConverted.toString());
    failedList_->setWordWrap(true);
    failedLabel_->setBuddy(failedList_);
    fileList_->setAccessibleName(UiTexts::pdfsProduced.toString());
    fullSize_ = size();
    compactSize_ = QSize(fullSize_.width(), t.units().size(QSize(248, 107)).height());

    connect(openFile, &QPushButton::clicked, this, &CFinishDlg::openFile);
    connect(openFolder, &QPushButton::clicked, this, &CFinishDlg::openFolder);
    connect(close, &QPushButton::clicked, this, &CFinishDlg::reject);
}

void CFinishDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Drawn for the screen the dialog is shown on, sharp at any pixel ratio.
        picture_->setPixmap(
            Artwork::bitmap(Artwork::FinishPicture, picture_->size(), devicePixelRatioF()));
        fileList_->clear();
        for (const QString& name : producedFiles_) {
            fileList_->addString(name);
        }
        message_->setText(UiTexts::conversionCompletes.toString());
        if (fileList_->count() > 0) {
            fileList_->setCurrentRow(0);
        }
        failedList_->clear();
        for (const FailedFile& failed : failedFiles_) {
            failedList_->addItem(failed.name + QStringLiteral(": ") + failed.reason);
        }
        const bool withFailures = !failedFiles_.isEmpty();
        failedLabel_->setVisible(withFailures);
        failedList_->setVisible(withFailures);
        setFixedSize(withFailures ? fullSize_ : compactSize_);
        if (fileList_->count() == 0 && withFailures) {
            failedList_->setCurrentRow(0);
            failedList_->setFocus();
        }
        if (!destinationFolder_.isEmpty() && !destinationFolder_.endsWith(u'/')) {
            destinationFolder_ += u'/';
        }
    }
    QDialog::showEvent(event);
}

void CFinishDlg::openFile() {
    const int row = fileList_->selectedRow();
    if (row < 0) {
        MessageBoxes::show(this, UiTexts::errorCaption.toString(),
                           UiTexts::chooseOneFile.toString(), MessageBoxes::Icon::Critical);
        return;
    }
    Shell::current().openUrl(
        QUrl::fromLocalFile(destinationFolder_ + fileList_->item(row)->text()));
}

void CFinishDlg::openFolder() {
    int row = fileList_->selectedRow();
    if (row < 0) {
        row = 0;
    }
    const QString name = row < fileList_->count() ? fileList_->item(row)->text() : QString();
    const QString path = destinationFolder_ + name;
    // A folder or file that is gone cannot be shown selected: open the folder instead.
    if (name.isEmpty() || !QFileInfo(destinationFolder_).isDir() || !QFileInfo::exists(path)) {
        Shell::current().openUrl(QUrl::fromLocalFile(destinationFolder_));
        return;
    }
    Shell::current().showItem(path, destinationFolder_);
}

void CFinishDlg::clearProducedFiles() {
    producedFiles_.clear();
    failedFiles_.clear();
}

void CFinishDlg::appendFailedFile(const QString& name, const QString& reason) {
    failedFiles_.append({name, reason});
}

void CFinishDlg::reject() {
    clearProducedFiles();
    QDialog::reject();
}

} // namespace zarta::ui
