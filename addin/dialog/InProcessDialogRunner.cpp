#include "addin/dialog/InProcessDialogRunner.h"

#include "addin/dialog/CConvertDlg.h"

namespace zarta::addin {

void InProcessDialogRunner::run(const std::string& documentPath, const std::function<void()>&) {
    CConvertDlg dialog(services_, messageCaption_);
    dialog.setDocumentPath(documentPath);
    dialog.exec();
}

} // namespace zarta::addin
