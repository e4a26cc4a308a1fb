#include "app/ui/CDescriptionDlg.h"

#include "app/ui/DialogLayout.h"
#include "app/ui/Mnemonic.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace zarta::ui {

const CDescriptionDlg::Ids& CDescriptionDlg::ids(UiVariant variant) {
    return variant == UiVariant::Desktop ? desktopIds : addInIds;
}

CDescriptionDlg::CDescriptionDlg(UiVariant variant, QWidget* parent) : OptionPage(variant, parent) {
    const Ids& id = ids(variant);
    setObjectName(QString::number(id.page));
    if (variant == UiVariant::Desktop) {
        DialogLayout t(*this, QSize(420, 141));
        // Each label names its field for screen readers, and its mnemonic moves the focus there.
        QLabel* titleEditLabel = t.label(Mnemonic::marked(u"Title", u'i'), QPoint(19, 7));
        titleEdit_ = t.edit(id.title, QRect(41, 7, 102, 14));
        titleEditLabel->setBuddy(titleEdit_);
        QLabel* subjectEditLabel = t.label(Mnemonic::marked(u"Subject", u'u'), QPoint(6, 37));
        subjectEdit_ = t.edit(id.subject, QRect(41, 37, 102, 14));
        subjectEditLabel->setBuddy(subjectEdit_);
        QLabel* authorEditLabel = t.label(Mnemonic::marked(u"Author", u'h'), QPoint(10, 67));
        authorEdit_ = t.edit(id.author, QRect(41, 67, 102, 14));
        authorEditLabel->setBuddy(authorEdit_);
        QLabel* keywordsEditLabel = t.label(Mnemonic::marked(u"Keywords", u'K'), QPoint(160, 7));
        keywordsEdit_ = t.multiLineEdit(id.keywords, QRect(200, 7, 174, 74));
        keywordsEditLabel->setBuddy(keywordsEdit_);
    } else {
        DialogLayout t(*this, QSize(310, 228));
        QLabel* titleEditLabel = t.label(Mnemonic::marked(u"Title:", u'i'), QPoint(27, 8));
        titleEdit_ = t.edit(id.title, QRect(27, 18, 216, 14));
        titleEditLabel->setBuddy(titleEdit_);
        QLabel* authorEditLabel = t.label(Mnemonic::marked(u"Author:", u'h'), QPoint(27, 40));
        authorEdit_ = t.edit(id.author, QRect(27, 50, 216, 14));
        authorEditLabel->setBuddy(authorEdit_);
        QLabel* subjectEditLabel = t.label(Mnemonic::marked(u"Subject:", u'u'), QPoint(27, 72));
        subjectEdit_ = t.edit(id.subject, QRect(27, 82, 216, 14));
        subjectEditLabel->setBuddy(subjectEdit_);
        QLabel* keywordsEditLabel = t.label(Mnemonic::marked(u"Keywords:", u'K'), QPoint(27, 104));
        keywordsEdit_ = t.multiLineEdit(id.keywords, QRect(27, 114, 216, 78));
        keywordsEditLabel->setBuddy(keywordsEdit_);
    }
}

void CDescriptionDlg::storeControls() {
    title_ = titleEdit_->text();
    subject_ = subjectEdit_->text();
    author_ = authorEdit_->text();
    keywords_ = keywordsEdit_->toPlainText();
}

} // namespace zarta::ui
