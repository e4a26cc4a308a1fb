#pragma once

#include "app/desktop/CConvertDlg.h"
#include "app/desktop/CZartaAllToPDFDlg.h"
#include "tests/support/FakeConversion.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/RecordingShell.h"
#include "tests/support/ScriptedFileDialogs.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The main window on the offscreen screen, converting with the recording word processor, with
// folders for documents ("in"), PDFs ("out") and the program's data. Modal dialogs the program
// runs itself (finish dialog, password prompt, about box) are answered by a watcher.
class DesktopWindow : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The conversion the window uses: the recording word processor unless overridden.
    virtual std::unique_ptr<zarta::ConverterFactory> makeServices(const std::string& data);

    zarta::desktop::CConvertDlg& page() const { return *window->convertPage(); }
    template <class Widget>
    Widget* control(int id) const {
        return findControl<Widget>(page(), id);
    }
    void click(int id) const { control<QAbstractButton>(id)->click(); }
    // A button's text as shown, without its mnemonic mark.
    QString shownText(int id) const;
    QString status() const { return page().statusText(); }
    QStringList listed() const;

    // An empty document in the "in" folder; its full path.
    QString document(const QString& name) const;
    // Chooses the files in the open-file dialog of "Add File(s)".
    void choose(const QStringList& paths);
    // Lists the documents, sets "out" as destination and starts converting; the PDF stage
    // keeps the first document waiting while hold is set.
    void startBatch(const QStringList& names, bool hold);
    // Runs the event loop until the condition holds; false after the time-out.
    static bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000);

    QTemporaryDir root;
    QString inFolder;
    QString outFolder;
    QString dataFolder;
    RecordingMessageBoxes boxes;
    ScriptedFileDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<zarta::ConverterFactory> services;
    FakeConversion* conversion = nullptr; // the services, when they are the fake
    std::unique_ptr<zarta::desktop::CZartaAllToPDFDlg> window;

    // What the modal watcher saw and answers.
    std::vector<QStringList> finishLists;
    std::vector<QStringList> finishFailures; // the rows of "Not converted:", when shown
    QStringList passwordPrompts;
    std::vector<bool> passwordRetries; // whether each prompt said the last password failed
    QStringList passwords;             // entered in turn; Cancel once they run out
    int aboutBoxes = 0;

private:
    void answerModal();
    QTimer modalWatcher_;
};
