#include "app/ui/Artwork.h"
#include "app/ui/CEnterPassWordDlg.h"
#include "app/ui/CFinishDlg.h"
#include "tests/app/ui/TabHost.h"
#include "tests/support/LayoutChecks.h"
#include "tests/support/QtPrinters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

#include <gtest/gtest.h>

#include <memory>

using namespace zarta::ui;

namespace {

const UiVariant variants[] = {UiVariant::Desktop, UiVariant::AddIn};

QString variantName(UiVariant variant) {
    return variant == UiVariant::Desktop ? QStringLiteral("desktop") : QStringLiteral("addin");
}

std::unique_ptr<OptionPage> makePage(int index, UiVariant variant) {
    if (index == 0) {
        return std::make_unique<CDescriptionDlg>(variant);
    }
    if (index == 1) {
        return std::make_unique<CSecurityDlg>(variant);
    }
    return std::make_unique<CAdvancedDlg>(variant);
}

const char* pageNames[] = {"description", "security", "advanced"};

void save(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(ZARTA_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    EXPECT_TRUE(widget.grab().save(folder + u'/' + name + QStringLiteral(".png")))
        << name.toStdString();
}

} // namespace

TEST(Screenshots, OptionPagesAtTheirTemplateSize) {
    for (UiVariant variant : variants) {
        for (int index = 0; index < 3; ++index) {
            const std::unique_ptr<OptionPage> page = makePage(index, variant);
            save(*page, variantName(variant) + u'-' + QLatin1String(pageNames[index]));
            EXPECT_EQ(clippedTexts(*page), QStringList()) << pageNames[index];
        }
    }
}

TEST(Screenshots, OptionPagesInTheirTabControl) {
    for (UiVariant variant : variants) {
        for (int index = 0; index < 3; ++index) {
            TabHost host(variant);
            host.clickTab(index);
            ASSERT_EQ(host.switcher.shownIndex(), index);
            save(host.window,
                 variantName(variant) + QStringLiteral("-tabs-") + QLatin1String(pageNames[index]));
            EXPECT_EQ(clippedTexts(*host.page(index)), QStringList()) << pageNames[index];
            // The page may cover the tab bar's bottom line, where the tabs meet the frame, but
            // never the tabs' texts.
            const int overlap =
                host.tabs.style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, &host.tabs);
            EXPECT_LE(host.tabs.tabBar()->height() - overlap,
                      OptionPageSwitcher::insets(variant).top());
        }
    }
}

TEST(Screenshots, Dialogs) {
    CEnterPassWordDlg password;
    password.setFileName(QStringLiteral("Quarterly report for the board, final version 3.docx"));
    save(password, QStringLiteral("password-prompt"));
    EXPECT_EQ(clippedTexts(password), QStringList());

    CFinishDlg finish;
    finish.setDestinationFolder(QDir::tempPath());
    for (const char* name :
         {"zeta.pdf", "Alpha.pdf", "beta.pdf", "Quarterly report.pdf", "x.pdf"}) {
        finish.appendProducedFile(QString::fromLatin1(name));
    }
    save(finish, QStringLiteral("finish"));
    EXPECT_EQ(clippedTexts(finish), QStringList());
    finish.hide();

    CEnterPassWordDlg retry;
    retry.setFileName(QStringLiteral("Quarterly report.docx"));
    retry.setRetry(true);
    save(retry, QStringLiteral("password-prompt-again"));
    EXPECT_EQ(clippedTexts(retry), QStringList());

    CFinishDlg withFailures;
    withFailures.setDestinationFolder(QDir::tempPath());
    withFailures.appendProducedFile(QStringLiteral("Alpha.pdf"));
    withFailures.appendFailedFile(
        QStringLiteral("damaged.docx"),
        QStringLiteral("Couldn't convert \"/home/user/damaged.docx\": the file is damaged or is "
                       "not a Word document the word processor can read."));
    withFailures.appendFailedFile(QStringLiteral("locked.doc"),
                                  QStringLiteral("no password was given"));
    save(withFailures, QStringLiteral("finish-with-failures"));
    EXPECT_EQ(clippedTexts(withFailures), QStringList());
    EXPECT_GT(withFailures.height(), finish.height());
    EXPECT_TRUE(withFailures.failedList()->isVisible());
    EXPECT_FALSE(finish.failedList()->isVisibleTo(&finish));
}

TEST(Artwork, EveryPictureHasItsSize) {
    const struct {
        int id;
        QSize size;
    } pictures[] = {
        {Artwork::MainHeader, {640, 66}},         {Artwork::ApplicationIcon, {128, 128}},
        {Artwork::AboutIcon, {32, 32}},           {Artwork::HelpIcon, {32, 32}},
        {Artwork::ProgressBackground, {463, 24}}, {Artwork::ProgressFill, {463, 24}},
        {Artwork::FinishPicture, {32, 32}},       {Artwork::AboutHeader, {380, 113}},
        {Artwork::WebsiteIcon, {32, 32}}};
    for (const auto& p : pictures) {
        const QImage image = Artwork::bitmap(p.id).toImage();
        EXPECT_EQ(image.size(), p.size) << p.id;
        // Drawn, not blank: the centre pixel is not transparent.
        EXPECT_GT(image.pixelColor(p.size.width() / 2, p.size.height() / 2).alpha(), 0) << p.id;
    }
    EXPECT_EQ(Artwork::icon(Artwork::ApplicationIcon).availableSizes().size(), 7);
    EXPECT_TRUE(Artwork::bitmap(999).isNull());
}
