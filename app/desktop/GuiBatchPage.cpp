#include "app/desktop/GuiBatchPage.h"

#include "app/desktop/CConvertDlg.h"
#include "app/desktop/DesktopTexts.h"
#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CListBoxEx.h"
#include "app/ui/GuiThreadCall.h"
#include "app/ui/MessageBoxes.h"
#include "engine/Messages.h"

#include <QFile>

namespace zarta::desktop {

namespace {

std::string encoded(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString decoded(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

int GuiBatchPage::fileCount() {
    return link_.run([this] { return page_.fileList()->count(); });
}

std::string GuiBatchPage::fileAt(int index) {
    return link_.run([this, index] { return encoded(page_.fileList()->item(index)->text()); });
}

void GuiBatchPage::clearFileList() {
    link_.run([this] { page_.fileList()->clear(); });
}

std::string GuiBatchPage::destinationFolder() {
    return link_.run([this] { return encoded(page_.finishDialog().destinationFolder()); });
}

void GuiBatchPage::setDestinationFolder(const std::string& folder) {
    link_.run([this, &folder] { page_.finishDialog().setDestinationFolder(decoded(folder)); });
}

void GuiBatchPage::setProgress(int position, int total, bool filled) {
    link_.run([this, position, total, filled] {
        page_.progressBar()->setProgress(position, total, filled);
    });
}

void GuiBatchPage::setStatus(const std::string& text) {
    link_.run([this, &text] { page_.setStatus(QString::fromStdString(text)); });
}

void GuiBatchPage::setConverting(bool converting) {
    link_.run([this, converting] { page_.setConverting(converting); });
}

void GuiBatchPage::setListBusy(bool busy) {
    link_.run([this, busy] { page_.fileList()->setBusy(busy); });
}

void GuiBatchPage::enableEditing() {
    link_.run([this] { page_.enableEditing(); });
}

void GuiBatchPage::resetConvertButton() {
    link_.run([this] { page_.resetConvertButton(); });
}

void GuiBatchPage::appendProducedFile(const std::string& name) {
    link_.run([this, &name] { page_.finishDialog().appendProducedFile(decoded(name)); });
}

int GuiBatchPage::producedFileCount() {
    return link_.run([this] { return int(page_.finishDialog().producedFiles().size()); });
}

bool GuiBatchPage::askReplace(const std::string& outputPath) {
    return link_.run([this, &outputPath] {
        const std::string question = Messages::fill(Messages::replaceQuestion, outputPath);
        return ui::MessageBoxes::show(page_.window(), DesktopTexts::productName.toString(),
                                      decoded(question), ui::MessageBoxes::Icon::None,
                                      ui::MessageBoxes::Buttons::YesNo) ==
               ui::MessageBoxes::Answer::Yes;
    });
}

void GuiBatchPage::stopStatusAnimation() {
    link_.run([this] { page_.stopStatusAnimation(); });
}

void GuiBatchPage::startFinishTimer() {
    link_.run([this] { page_.startFinishTimer(); });
}

} // namespace zarta::desktop
