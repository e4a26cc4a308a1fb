#pragma once

#include "app/ui/OptionPage.h"

#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace zarta::ui {

// The "Description" option page: the document information written into the PDF (title,
// subject, author and keywords, the keywords possibly on several lines). All four start empty.
class CDescriptionDlg : public OptionPage {
    Q_OBJECT
public:
    struct Ids {
        int page;
        int title;
        int subject;
        int author;
        int keywords;
    };
    static constexpr Ids desktopIds{135, 1021, 1023, 1026, 1024};
    static constexpr Ids addInIds{203, 203, 204, 202, 205};
    static const Ids& ids(UiVariant variant);

    explicit CDescriptionDlg(UiVariant variant, QWidget* parent = nullptr);

    void storeControls() override;

    // The values as last stored. Keywords keep their line breaks ("\n").
    const QString& title() const { return title_; }
    const QString& subject() const { return subject_; }
    const QString& author() const { return author_; }
    const QString& keywords() const { return keywords_; }

private:
    QLineEdit* titleEdit_ = nullptr;
    QLineEdit* subjectEdit_ = nullptr;
    QLineEdit* authorEdit_ = nullptr;
    QPlainTextEdit* keywordsEdit_ = nullptr;
    QString title_;
    QString subject_;
    QString author_;
    QString keywords_;
};

} // namespace zarta::ui
