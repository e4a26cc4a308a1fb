#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;

namespace zarta::ui {

class SortedListBox;

// Closes a batch: lists the PDF files it produced, in case-insensitive alphabetical order with
// the first one selected, and opens one of them ("Open File") or shows it selected in its folder
// ("Open Folder", also Enter). "Close", Escape and the title bar's close button end the dialog
// rejected and empty producedFiles(), so the next batch lists only its own files.
//
// The convert page keeps one finish dialog for its whole life: it empties producedFiles() and
// sets destinationFolder() when a batch starts, the batch appends to producedFiles(), and the
// page runs exec() when the batch is over. Each showing lists producedFiles() afresh and gives
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

    explicit CFinishDlg(QWidget* parent = nullptr);

    const QString& destinationFolder() const { return destinationFolder_; }
    void setDestinationFolder(const QString& folder) { destinationFolder_ = folder; }

    // Names of the produced PDFs without their folder, in the order they were produced.
    const QStringList& producedFiles() const { return producedFiles_; }
    void appendProducedFile(const QString& name) { producedFiles_ << name; }
    void clearProducedFiles() { producedFiles_.clear(); }

    SortedListBox* fileList() const { return fileList_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openFile();
    void openFolder();

    QLabel* picture_ = nullptr;
    QLabel* message_ = nullptr;
    SortedListBox* fileList_ = nullptr;
    QString destinationFolder_;
    QStringList producedFiles_;
};

} // namespace zarta::ui
