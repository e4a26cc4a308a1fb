#include "Artwork.h"
#include "CEnterPassWordDlg.h"
#include "CFinishDlg.h"
#include "QtPrinters.h"
#include "TabHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
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

// The width a control needs to show its whole text.
int neededWidth(const QWidget& control) {
    const QFontMetrics metrics(control.font());
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->wordWrap() ? 0 : metrics.horizontalAdvance(label->text());
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        const int margin = control.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &control);
        return metrics.horizontalAdvance(button->text()) + margin;
    }
    if (qobject_cast<const QCheckBox*>(&control) || qobject_cast<const QRadioButton*>(&control) ||
        qobject_cast<const QComboBox*>(&control)) {
        return control.sizeHint().width();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) {
        return metrics.horizontalAdvance(group->title()) + 2 * metrics.averageCharWidth();
    }
    return 0;
}

// Every text of the widget's direct children must fit its control, must not be covered by a
// control stacked above it, and every control must lie inside the widget.
QStringList clippedTexts(const QWidget& widget) {
    QStringList problems;
    const QList<QWidget*> children = widget.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = 0; i < children.size(); ++i) {
        const QWidget& control = *children[i];
        if (control.isHidden()) {
            continue;
        }
        const QString what = control.objectName() + u' ' + control.metaObject()->className() +
                             u' ' + control.property("text").toString() +
                             control.property("title").toString();
        if (!widget.rect().contains(control.geometry())) {
            problems << what + QStringLiteral(": outside its page");
        }
        const int needed = neededWidth(control);
        if (needed > control.width()) {
            problems
                << what + QStringLiteral(": needs %1 px, has %2").arg(needed).arg(control.width());
        }
        if (const auto* label = qobject_cast<const QLabel*>(&control);
            label != nullptr && label->wordWrap() &&
            label->heightForWidth(label->width()) > label->height()) {
            problems << what + QStringLiteral(": wrapped text too tall");
        }
        if (qobject_cast<const QGroupBox*>(&control) != nullptr || needed == 0) {
            continue;
        }
        const QRect text(control.pos(), QSize(std::min(needed, control.width()), control.height()));
        for (qsizetype j = i + 1; j < children.size(); ++j) {
            const QWidget& above = *children[j];
            if (!above.isHidden() && qobject_cast<const QGroupBox*>(&above) == nullptr &&
                above.geometry().intersects(text)) {
                problems << what + QStringLiteral(": covered by ") + above.objectName() + u' ' +
                                above.metaObject()->className();
            }
        }
    }
    return problems;
}

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
