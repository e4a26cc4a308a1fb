#include "app/ui/CAdvancedDlg.h"

#include "app/ui/DialogLayout.h"
#include "app/ui/Mnemonic.h"
#include "app/ui/UiTexts.h"
#include "engine/OptionTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include <string_view>

namespace zarta::ui {

namespace {

std::string_view textOf(std::string_view text) {
    return text;
}

template <typename Value>
std::string_view textOf(const OptionTable::Choice<Value>& choice) {
    return choice.text;
}

// Fills a list with the items' texts and selects the one at `selected`.
template <typename Items>
void fill(QComboBox* list, const Items& items, std::size_t selected) {
    for (const auto& item : items) {
        const std::string_view text = textOf(item);
        list->addItem(QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
    list->setCurrentIndex(int(selected));
}

// Fills a list with a setting's choices and selects its default, the value a fresh
// ConversionOptions holds.
template <typename Value, std::size_t N>
void fill(QComboBox* list, const std::array<OptionTable::Choice<Value>, N>& choices,
          Value defaultValue) {
    fill(list, choices, OptionTable::indexOf(choices, defaultValue));
}

// The selected item's value; the default's when nothing is selected. Typing in an editable list
// never adds an item, so the index always names one of the items.
template <typename Value, std::size_t N>
Value selectedValue(const QComboBox* list, const std::array<OptionTable::Choice<Value>, N>& choices,
                    Value defaultValue) {
    const int index = list->currentIndex();
    return index >= 0 && index < int(N) ? choices[std::size_t(index)].value : defaultValue;
}

const ConversionOptions defaults;

} // namespace

const CAdvancedDlg::Ids& CAdvancedDlg::ids(UiVariant variant) {
    return variant == UiVariant::Desktop ? desktopIds : addInIds;
}

CAdvancedDlg::CAdvancedDlg(UiVariant variant, QWidget* parent) : OptionPage(variant, parent) {
    const Ids& id = ids(variant);
    setObjectName(QString::number(id.page));
    if (variant == UiVariant::Desktop) {
        DialogLayout t(*this, QSize(415, 162));
        // Each label names its control for screen readers, and its mnemonic moves the focus
        // there.
        QLabel* pageLayoutLabel = t.label(Mnemonic::marked(u"Page Layout", u'P'), QPoint(10, 13));
        pageLayout_ = t.comboBox(id.pageLayout, QRect(92, 10, 86, 45), false);
        pageLayoutLabel->setBuddy(pageLayout_);
        QLabel* pageModeLabel = t.label(Mnemonic::marked(u"Page Mode", u'g'), QPoint(10, 34));
        pageMode_ = t.comboBox(id.pageMode, QRect(92, 31, 86, 42), false);
        pageModeLabel->setBuddy(pageMode_);
        QLabel* documentCompressionLabel =
            t.label(Mnemonic::marked(u"Document Compression", u'u'), QPoint(10, 55));
        documentCompression_ = t.comboBox(id.documentCompression, QRect(92, 52, 86, 44), false);
        documentCompressionLabel->setBuddy(documentCompression_);
        QLabel* imagesCompressionLabel =
            t.label(Mnemonic::marked(u"Images Compression", u'I'), QPoint(197, 13));
        imagesCompression_ = t.comboBox(id.imagesCompression, QRect(286, 10, 86, 45), false);
        imagesCompressionLabel->setBuddy(imagesCompression_);
        QLabel* jpegQualityLabel =
            t.label(Mnemonic::marked(u"JPEG Quality", u'J'), QPoint(197, 34));
        jpegQuality_ = t.comboBox(id.jpegQuality, QRect(286, 31, 86, 46), false);
        jpegQualityLabel->setBuddy(jpegQuality_);
        QLabel* pdfVersionLabel = t.label(Mnemonic::marked(u"PDF Version", u'V'), QPoint(197, 55));
        pdfVersion_ = t.comboBox(id.pdfVersion, QRect(286, 52, 86, 43), false);
        pdfVersionLabel->setBuddy(pdfVersion_);
        QLabel* emfLabel =
            t.label(Mnemonic::marked(u"Alternate EMF Rendering", u'l'), QRect(197, 75, 81, 11));
        alternateEmfRendering_ =
            t.place(new QCheckBox(this), id.alternateEmfRendering, QRect(286, 76, 8, 8));
        emfLabel->setBuddy(alternateEmfRendering_);
        keepStructure_ =
            t.checkBox(id.keepStructure, Mnemonic::marked(UiTexts::keepStructure.toString(), u'K'),
                       QRect(10, 73, 180, 10));
        tagged_ = t.checkBox(id.tagged, Mnemonic::marked(UiTexts::taggedPdf.toString(), u'n'),
                             QRect(10, 86, 180, 10));
    } else {
        DialogLayout t(*this, QSize(268, 209));
        const int rowStep = 20;
        // The same mnemonics as the desktop program's page.
        const QString labels[] = {Mnemonic::marked(u"Page Layout", u'P'),
                                  Mnemonic::marked(u"Page Mode", u'g'),
                                  Mnemonic::marked(u"Document Compression", u'u'),
                                  Mnemonic::marked(u"Images Compression", u'I'),
                                  Mnemonic::marked(u"JPEG Quality", u'J'),
                                  Mnemonic::marked(u"PDF Version", u'V'),
                                  Mnemonic::marked(u"Alternate EMF Rendering", u'l')};
        QComboBox** lists[] = {&pageLayout_,        &pageMode_,    &documentCompression_,
                               &imagesCompression_, &jpegQuality_, &pdfVersion_};
        const int listIds[] = {id.pageLayout,        id.pageMode,    id.documentCompression,
                               id.imagesCompression, id.jpegQuality, id.pdfVersion};
        for (int row = 0; row < 6; ++row) {
            const int y = 10 + row * rowStep;
            QLabel* label = t.label(labels[row], QPoint(23, y + 2));
            *lists[row] = t.comboBox(listIds[row], QRect(128, y, 120, 60), true);
            label->setBuddy(*lists[row]);
        }
        const int y = 10 + 6 * rowStep;
        QLabel* emfLabel = t.label(labels[6], QPoint(23, y + 2));
        alternateEmfRendering_ =
            t.place(new QCheckBox(this), id.alternateEmfRendering, QRect(128, y + 2, 8, 8));
        emfLabel->setBuddy(alternateEmfRendering_);
        // Letters no other control of the add-in's dialog uses.
        keepStructure_ =
            t.checkBox(id.keepStructure, Mnemonic::marked(UiTexts::keepStructure.toString(), u'r'),
                       QRect(23, y + 20, 225, 10));
        tagged_ = t.checkBox(id.tagged, Mnemonic::marked(UiTexts::taggedPdf.toString(), u'T'),
                             QRect(23, y + 36, 225, 10));
    }

    // The box has no text of its own; its label names it.
    alternateEmfRendering_->setAccessibleName(QStringLiteral("Alternate EMF Rendering"));
    alternateEmfRendering_->resize(alternateEmfRendering_->sizeHint());

    fill(pageLayout_, OptionTable::pageLayoutTexts, 0);
    fill(pageMode_, OptionTable::pageModeTexts, 0);
    fill(documentCompression_, OptionTable::documentCompression, defaults.documentCompression);
    fill(imagesCompression_, OptionTable::imagesCompression, defaults.imagesCompression);
    fill(jpegQuality_, OptionTable::jpegQuality, defaults.jpegQuality);
    fill(pdfVersion_, OptionTable::pdfVersion, defaults.pdfVersion);
}

DocumentCompression CAdvancedDlg::documentCompression() const {
    return selectedValue(documentCompression_, OptionTable::documentCompression,
                         defaults.documentCompression);
}

ImageCompression CAdvancedDlg::imagesCompression() const {
    return selectedValue(imagesCompression_, OptionTable::imagesCompression,
                         defaults.imagesCompression);
}

JpegQuality CAdvancedDlg::jpegQuality() const {
    return selectedValue(jpegQuality_, OptionTable::jpegQuality, defaults.jpegQuality);
}

bool CAdvancedDlg::keepStructure() const {
    return keepStructure_->isChecked();
}

bool CAdvancedDlg::tagged() const {
    return tagged_->isChecked();
}

PdfVersion CAdvancedDlg::pdfVersion() const {
    return selectedValue(pdfVersion_, OptionTable::pdfVersion, defaults.pdfVersion);
}

} // namespace zarta::ui
