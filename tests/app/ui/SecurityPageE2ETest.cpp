// The security page's "Allowed Actions" boxes, ticked as a user ticks them, through to the
// protected PDF the real Ghostscript writes (the interpreter the programs keep), read back with
// qpdf.
#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CSecurityDlg.h"
#include "app/ui/CollectOptions.h"

#include "engine/BatchControl.h"
#include "engine/GhostscriptInterpreterStage.h"
#include "engine/WorkFolder.h"
#include "platform/pdf/QpdfSecurityCheck.h"
#include "platform/process/GhostscriptLocator.h"
#include "platform/process/PosixProcessRunner.h"
#include "tests/support/PermissionCases.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TempDir.h"

#include <QAbstractButton>
#include <QLineEdit>

#include <gtest/gtest.h>

using namespace zarta;
using namespace zarta::ui;

namespace {

TEST(SecurityPageE2E, TickedBoxesAreTheActionsTheProtectedPdfAllows) {
    TempDir dir;
    TempDir::write(dir.file("page.ps"), "%!PS\n/Helvetica findfont 20 scalefont setfont\n"
                                        "72 700 moveto (Protected page) show showpage\n");
    PosixProcessRunner runner;
    const GhostscriptLocator locator{"", "/usr/bin"};
    const QpdfSecurityCheck check;
    GhostscriptInterpreterStage stage(
        runner, [&locator] { return locator.locate(); }, check, dir.file("data"));

    for (const UiVariant variant : {UiVariant::Desktop, UiVariant::AddIn}) {
        for (const auto& c : permission_cases::all()) {
            SCOPED_TRACE(std::string(c.name) +
                         (variant == UiVariant::Desktop ? " desktop" : " add-in"));
            QWidget window;
            CDescriptionDlg description(variant, &window);
            CSecurityDlg security(variant, &window);
            CAdvancedDlg advanced(variant, &window);
            window.show();
            const auto& s = CSecurityDlg::ids(variant);
            const auto click = [&](int id) { findControl<QAbstractButton>(security, id)->click(); };
            click(s.enableSecurity);
            findControl<QLineEdit>(security, s.ownerPassword)->setText(QStringLiteral("owner"));
            if (c.level == EncryptionLevel::High) {
                click(s.high);
            }
            for (const auto& [ticked, id] : {std::pair{c.copy, s.contentCopying},
                                             {c.forms, s.formFilling},
                                             {c.changes, s.documentChanging},
                                             {c.printing, s.printing}}) {
                if (ticked) {
                    click(id);
                }
            }
            const ConversionOptions options = collectOptions(description, security, advanced);

            const std::string pdf = dir.file("protected.pdf");
            WorkFolder work(dir.file("data"));
            BatchControl control;
            stage.writePdf({dir.file("page.ps"), "/docs/Protected.docx", pdf, work.path()}, options,
                           control);
            const auto shown = PosixProcessRunner().run(
                {"/usr/bin/qpdf", "--show-encryption", "--password=owner", pdf}, {}, control);
            ASSERT_TRUE(shown.succeeded()) << shown.errorOutput;
            EXPECT_EQ(permission_cases::allowedIn(shown.output), c.allowed()) << shown.output;
        }
    }
}

} // namespace
