#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QLabel;
class QListWidget;

namespace zarta::ui {

class SortedListBox;

// Closes a batch: lists the PDF files it produced, in case-insensitive alphabetical order with
// the first one selected, and opens one of them ("Open File") or shows it selected in its folder
// ("Open Folder", also Enter). "Close", Escape and the title bar's close button end the dialog
// rejected and empty producedFiles(), so the next batch lists only its own files.
//
// Files the batch did not convert are listed below the buttons, each with the reason, in a
// second list ("Not converted:", in the order they were reported); the dialog grows by that
// section only when there is one to show, and is then shown also when no PDF was produced.
//
// The convert page keeps one finish dialog for its whole life: it empties producedFiles() and
// failedFiles() and sets destinationFolder() when a batch starts, the batch appends to both,
// and the page runs exec() when the batch is over. Each showing lists them afresh and gives
// destinationFolder() its trailing "/". User-interface thread only; a worker reaches it through
// calls queued onto that thread.
class CFinishDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int templateId = 136;
    static constexpr int fileListId = 1024;
    static constexpr int openFileId = 1025;
    static constexpr int openFolderId = 1026;
    static constexpr int messageId = 1027;
    static constexpr int failedLabelId = 1028;
    static constexpr int failedListId = 1029;

    // A file the batch did not convert: its name (no folder) and why.
    struct FailedFile {
        QString name;
        QString reason;
    };

    explicit CFinishDlg(QWidget* parent = nullptr);

    const QString& destinationFolder() const { return destinationFolder_; }
    void setDestinationFolder(const QString& folder) { destinationFolder_ = folder; }

    // Names of the produced PDFs without their folder, in the order they were produced.
    const QStringList& producedFiles() const { return producedFiles_; }
    void appendProducedFile(const QString& name) { producedFiles_ << name; }
    // Empties both lists.
    void clearProducedFiles();

    // Files not converted, in the order they were reported.
    const QList<FailedFile>& failedFiles() const { return failedFiles_; }
    void appendFailedFile(const QString& name, const QString& reason);
    // Whether a showing has anything to list.
    bool hasContent() const { return !producedFiles_.isEmpty() || !failedFiles_.isEmpty(); }

    SortedListBox* fileList() const { return fileList_; }
    QListWidget* failedList() const { return failedList_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openFile();
    void openFolder();

    QLabel* picture_ = nullptr;
    QLabel* message_ = nullptr;
    SortedListBox* fileList_ = nullptr;
    QLabel* failedLabel_ = nullptr;
    QListWidget* failedList_ = nullptr;
    QSize compactSize_;
    QSize fullSize_;
    QString destinationFolder_;
    QStringList producedFiles_;
    QList<FailedFile> failedFiles_;
};

} // namespace zarta::ui
