#include "app/ui/CollectOptions.h"
#include "app/ui/CAdvancedDlg.h"
#include "app/ui/CDescriptionDlg.h"
#include "app/ui/CSecurityDlg.h"
#include "tests/support/QtPrinters.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace zarta;
using namespace zarta::ui;

namespace {

// The three pages as a user meets them, operated with clicks and typing.
struct Pages {
    explicit Pages(UiVariant variant)
        : description(variant, &window), security(variant, &window), advanced(variant, &window),
          d(CDescriptionDlg::ids(variant)), s(CSecurityDlg::ids(variant)),
          a(CAdvancedDlg::ids(variant)) {
        description.show();
        security.show();
        advanced.show();
        window.show();
    }

    void click(int id) { click(id, security); }
    void click(int id, const QWidget& page) { findControl<QAbstractButton>(page, id)->click(); }
    // Key by key; characters without a key of their own arrive as text, as from an input method.
    void type(const QWidget& page, int id, const QString& text) {
        QWidget* edit = findControl<QWidget>(page, id);
        for (const QChar c : text) {
            if (c == u'\n') {
                QTest::keyClick(edit, Qt::Key_Return);
            } else if (c.unicode() < 128) {
                QTest::keyClick(edit, char(c.unicode()));
            } else {
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), {});
            }
        }
    }
    void choose(int id, const QString& text) {
        auto* list = findControl<QComboBox>(advanced, id);
        list->setCurrentIndex(list->findText(text));
    }

    QWidget window;
    CDescriptionDlg description;
    CSecurityDlg security;
    CAdvancedDlg advanced;
    const CDescriptionDlg::Ids& d;
    const CSecurityDlg::Ids& s;
    const CAdvancedDlg::Ids& a;
};

} // namespace

TEST(CollectOptions, RecordsWhatThePagesShow) {
    struct Case {
        const char* what;
        std::function<void(Pages&)> operate;
        std::function<void(ConversionOptions&)> expected;
        bool securityApplies;
    };
    const Case cases[] = {
        {"defaults", [](Pages&) {}, [](ConversionOptions&) {}, false},
        {"security on, both passwords empty", [](Pages& p) { p.click(p.s.enableSecurity); },
         [](ConversionOptions& o) { o.securityEnabled = true; }, false},
        {"owner password set, user password box checked and empty",
         [](Pages& p) {
             p.click(p.s.enableSecurity);
             p.type(p.security, p.s.ownerPassword, QStringLiteral("owner"));
         },
         [](ConversionOptions& o) {
             o.securityEnabled = true;
             o.ownerPassword = "owner";
         },
         true},
        {"password boxes unchecked after typing: texts kept, no encryption",
         [](Pages& p) {
             p.click(p.s.enableSecurity);
             p.type(p.security, p.s.ownerPassword, QStringLiteral("owner"));
             p.type(p.security, p.s.userPassword, QStringLiteral("user"));
             p.click(p.s.enableOwnerPassword);
             p.click(p.s.enableUserPassword);
         },
         [](ConversionOptions& o) {
             o.securityEnabled = true;
             o.ownerPassword = "owner";
             o.userPassword = "user";
             o.ownerPasswordEnabled = o.userPasswordEnabled = false;
         },
         false},
        {"level and permissions set, then security switched off",
         [](Pages& p) {
             p.click(p.s.enableSecurity);
             p.click(p.s.high);
             for (int box :
                  {p.s.contentCopying, p.s.formFilling, p.s.documentChanging, p.s.printing}) {
                 p.click(box);
             }
             p.click(p.s.enableSecurity);
         },
         [](ConversionOptions& o) {
             o.encryptionLevel = EncryptionLevel::High;
             o.contentCopying = o.formFilling = o.documentChanging = o.printing = true;
         },
         false},
        {"each AES level, the last one clicked counting",
         [](Pages& p) {
             p.click(p.s.enableSecurity);
             p.type(p.security, p.s.ownerPassword, QStringLiteral("owner"));
             p.click(p.s.aes128);
             p.click(p.s.high);
             p.click(p.s.aes256);
         },
         [](ConversionOptions& o) {
             o.securityEnabled = true;
             o.ownerPassword = "owner";
             o.encryptionLevel = EncryptionLevel::Aes256;
         },
         true},
        {"the structure-keeping route and a tagged PDF",
         [](Pages& p) {
             p.click(p.a.keepStructure, p.advanced);
             p.click(p.a.tagged, p.advanced);
         },
         [](ConversionOptions& o) {
             o.route = ConversionRoute::KeepStructure;
             o.tagged = true;
         },
         false},
        {"only keywords, on two lines",
         [](Pages& p) { p.type(p.description, p.d.keywords, QStringLiteral("first\nsecond")); },
         [](ConversionOptions& o) { o.keywords = "first\nsecond"; }, false},
        {"document information as typed, as UTF-8",
         [](Pages& p) {
             p.type(p.description, p.d.title, QStringLiteral(" Überblick (Q3) "));
             p.type(p.description, p.d.subject, QStringLiteral("Zahlen"));
             p.type(p.description, p.d.author, QStringLiteral("Zoë"));
         },
         [](ConversionOptions& o) {
             o.title = " Überblick (Q3) ";
             o.subject = "Zahlen";
             o.author = "Zoë";
         },
         false},
        {"advanced lists",
         [](Pages& p) {
             p.choose(p.a.documentCompression, QStringLiteral("LZW"));
             p.choose(p.a.imagesCompression, QStringLiteral("JPEG"));
             p.choose(p.a.jpegQuality, QStringLiteral("Maximum"));
             p.choose(p.a.pdfVersion, QStringLiteral("V1.5"));
         },
         [](ConversionOptions& o) {
             o.documentCompression = DocumentCompression::Lzw;
             o.imagesCompression = ImageCompression::Jpeg;
             o.jpegQuality = JpegQuality::Maximum;
             o.pdfVersion = PdfVersion::V1_5;
         },
         false},
    };
    for (UiVariant variant : {UiVariant::Desktop, UiVariant::AddIn}) {
        for (const Case& c : cases) {
            Pages pages(variant);
            c.operate(pages);
            ConversionOptions expected;
            c.expected(expected);
            const ConversionOptions options =
                collectOptions(pages.description, pages.security, pages.advanced);
            EXPECT_EQ(options, expected) << c.what;
            EXPECT_EQ(options.securityApplies(), c.securityApplies) << c.what;
        }
    }
}

TEST(CollectOptions, EveryListItemGivesTheValueItNames) {
    struct Case {
        int CAdvancedDlg::Ids::*list;
        const char* text;
        std::function<void(ConversionOptions&)> expected;
    };
    const Case cases[] = {
        {&CAdvancedDlg::Ids::documentCompression, "Flate",
         [](auto& o) { o.documentCompression = DocumentCompression::Flate; }},
        {&CAdvancedDlg::Ids::documentCompression, "LZW",
         [](auto& o) { o.documentCompression = DocumentCompression::Lzw; }},
        {&CAdvancedDlg::Ids::imagesCompression, "Flate",
         [](auto& o) { o.imagesCompression = ImageCompression::Flate; }},
        {&CAdvancedDlg::Ids::imagesCompression, "JPEG",
         [](auto& o) { o.imagesCompression = ImageCompression::Jpeg; }},
        {&CAdvancedDlg::Ids::imagesCompression, "Automatic",
         [](auto& o) { o.imagesCompression = ImageCompression::Automatic; }},
        {&CAdvancedDlg::Ids::jpegQuality, "Minimum",
         [](auto& o) { o.jpegQuality = JpegQuality::Minimum; }},
        {&CAdvancedDlg::Ids::jpegQuality, "Low", [](auto& o) { o.jpegQuality = JpegQuality::Low; }},
        {&CAdvancedDlg::Ids::jpegQuality, "Medium",
         [](auto& o) { o.jpegQuality = JpegQuality::Medium; }},
        {&CAdvancedDlg::Ids::jpegQuality, "Maximum",
         [](auto& o) { o.jpegQuality = JpegQuality::Maximum; }},
        {&CAdvancedDlg::Ids::pdfVersion, "V1.3(Acrobat 4.xx)",
         [](auto& o) { o.pdfVersion = PdfVersion::V1_3; }},
        {&CAdvancedDlg::Ids::pdfVersion, "V1.4", [](auto& o) { o.pdfVersion = PdfVersion::V1_4; }},
        {&CAdvancedDlg::Ids::pdfVersion, "V1.5", [](auto& o) { o.pdfVersion = PdfVersion::V1_5; }},
        {&CAdvancedDlg::Ids::pdfVersion, "V1.6", [](auto& o) { o.pdfVersion = PdfVersion::V1_6; }},
        {&CAdvancedDlg::Ids::pdfVersion, "PDF/A-1b",
         [](auto& o) { o.pdfVersion = PdfVersion::PdfA1b; }},
        {&CAdvancedDlg::Ids::pdfVersion, "PDF/A-2b",
         [](auto& o) { o.pdfVersion = PdfVersion::PdfA2b; }},
        {&CAdvancedDlg::Ids::pdfVersion, "PDF/A-3b",
         [](auto& o) { o.pdfVersion = PdfVersion::PdfA3b; }},
    };
    Pages pages(UiVariant::Desktop);
    for (const Case& c : cases) {
        // Every other list back at its default, so only this item's value may differ.
        for (int CAdvancedDlg::Ids::*list :
             {&CAdvancedDlg::Ids::documentCompression, &CAdvancedDlg::Ids::imagesCompression,
              &CAdvancedDlg::Ids::jpegQuality, &CAdvancedDlg::Ids::pdfVersion}) {
            findControl<QComboBox>(pages.advanced, pages.a.*list)->setCurrentIndex(0);
        }
        auto* list = findControl<QComboBox>(pages.advanced, pages.a.*c.list);
        ASSERT_GE(list->findText(QString::fromUtf8(c.text)), 0) << c.text;
        pages.choose(pages.a.*c.list, QString::fromUtf8(c.text));
        ConversionOptions expected;
        c.expected(expected);
        EXPECT_EQ(collectOptions(pages.description, pages.security, pages.advanced), expected)
            << c.text;
    }
}
