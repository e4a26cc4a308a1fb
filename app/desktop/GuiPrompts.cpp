#include "app/desktop/GuiPrompts.h"

#include "app/desktop/CConvertDlg.h"
#include "app/ui/CEnterPassWordDlg.h"
#include "app/ui/FileNameText.h"
#include "app/ui/GuiThreadCall.h"
#include "app/ui/MessageBoxes.h"

namespace zarta::desktop {

void GuiPrompts::showMessage(const std::string& text) {
    link_.run([this, &text] {
        ui::MessageBoxes::showStandard(page_.window(), QString::fromStdString(text));
    });
}

std::optional<std::string> GuiPrompts::askPassword(const std::string& fileName, bool again) {
    return link_.run([this, &fileName, again]() -> std::optional<std::string> {
        ui::CEnterPassWordDlg prompt(page_.window());
        prompt.setFileName(ui::FileNameText::fromBytes(fileName));
        prompt.setRetry(again);
        if (prompt.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return prompt.password().toStdString();
    });
}

} // namespace zarta::desktop
