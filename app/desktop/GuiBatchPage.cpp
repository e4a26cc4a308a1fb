#include "app/desktop/GuiBatchPage.h"

#include "app/desktop/CConvertDlg.h"
#include "app/desktop/DesktopTexts.h"
#include "app/ui/CBmpProgCtrl.h"
#include "app/ui/CFinishDlg.h"
#include "app/ui/CListBoxEx.h"
#include "app/ui/FileNameText.h"
#include "app/ui/GuiThreadCall.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/UiTexts.h"
#include "engine/Messages.h"
#include "engine/OutputNaming.h"

namespace zarta::desktop {

namespace {

std::string encoded(const QString& path) {
    return ui::FileNameText::toBytes(path);
}

QString decoded(const std::string& path) {
    return ui::FileNameText::fromBytes(path);
}

} // namespace

int GuiBatchPage::fileCount() {
    return link_.run([this] { return page_.fileList()->count(); });
}

std::string GuiBatchPage::fileAt(int index) {
    return link_.run([this, index] { return encoded(page_.fileList()->item(index)->text()); });
}

std::string GuiBatchPage::destinationFolder() {
    return link_.run([this] { return encoded(page_.finishDialog().destinationFolder()); });
}

void GuiBatchPage::destinationSettled(const std::string& folder) {
    link_.run([this, &folder] { page_.finishDialog().setDestinationFolder(decoded(folder)); });
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

void GuiBatchPage::batchStarted() {
    link_.run([this] { page_.setConverting(true); });
}

void GuiBatchPage::fileReported(const FileReport& report) {
    link_.run([this, &report] {
        switch (report.result) {
        case FileReport::Result::Converted:
            page_.progressBar()->setProgress(report.index + 1, report.count, true);
            page_.finishDialog().appendProducedFile(
                decoded(OutputNaming::pdfName(report.sourcePath)));
            break;
        case FileReport::Result::Kept:
            page_.progressBar()->setProgress(report.index + 1, report.count, true);
            break;
        case FileReport::Result::Failed:
        case FileReport::Result::NotReached:
            page_.finishDialog().appendFailedFile(
                decoded(OutputNaming::fileName(report.sourcePath)), decoded(report.message));
            break;
        case FileReport::Result::GaveUp:
            page_.finishDialog().appendFailedFile(
                decoded(OutputNaming::fileName(report.sourcePath)),
                ui::UiTexts::noPasswordGiven.toString());
            break;
        }
    });
}

void GuiBatchPage::batchFinished(const BatchSummary& summary) {
    link_.run([this, &summary] {
        if (summary.refused) {
            page_.batchRefused();
            return;
        }
        page_.fileList()->clear();
        page_.stopStatusAnimation();
        page_.progressBar()->setProgress(100, 100, true);
        page_.setConverting(false);
        page_.fileList()->setBusy(false);
        // A batch that a failure ended counts as stopped, whatever it produced before.
        const bool complete =
            !page_.finishDialog().producedFiles().empty() && summary.endedBy.empty();
        page_.setStatus(
            QString::fromUtf8(complete ? Messages::statusComplete : Messages::statusStopped));
        page_.enableEditing();
        page_.resetConvertButton();
        page_.startFinishTimer();
    });
}

} // namespace zarta::desktop
