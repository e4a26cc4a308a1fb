#include "app/ui/CollectOptions.h"

#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CSecurityDlg.h"
#include "engine/OptionTable.h"

namespace zarta::ui {

ConversionOptions collectOptions(CDescriptionDlg& description, CSecurityDlg& security,
                                 CAdvancedDlg& advanced) {
    advanced.storeControls();
    security.storeControls();
    description.storeControls();

    ConversionOptions options;
    options.title = description.title().toStdString();
    options.subject = description.subject().toStdString();
    options.author = description.author().toStdString();
    options.keywords = description.keywords().toStdString();

    options.securityEnabled = security.securityEnabled();
    options.userPasswordEnabled = security.userPasswordEnabled();
    options.userPassword = security.userPassword().toStdString();
    options.ownerPasswordEnabled = security.ownerPasswordEnabled();
    options.ownerPassword = security.ownerPassword().toStdString();
    for (std::size_t i = 0; i < OptionTable::permissions.size(); ++i) {
        options.*OptionTable::permissions[i].allowed = security.permissions()[i];
    }
    const int level = security.encryptionLevel();
    options.encryptionLevel =
        level < 0 ? EncryptionLevel::Low : OptionTable::encryptionLevel[std::size_t(level)].value;

    options.documentCompression = advanced.documentCompression();
    options.imagesCompression = advanced.imagesCompression();
    options.jpegQuality = advanced.jpegQuality();
    options.pdfVersion = advanced.pdfVersion();
    options.route =
        advanced.keepStructure() ? ConversionRoute::KeepStructure : ConversionRoute::Print;
    options.tagged = advanced.tagged();
    return options;
}

} // namespace zarta::ui
