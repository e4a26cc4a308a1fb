// zarta-addin-dialog: the add-in's convert dialog in a process of its own, for word processors
// whose own toolkit cannot share a process with Qt. The add-in starts it for a click on its
// button and waits for it to end.
//
//     zarta-addin-dialog [--caption NAME] [--document PATH] [--unsaved-changes]
//                        [--host-window ID] [--raise-on-input]
//
// NAME is the caption of the dialog's message boxes (the add-in module's name); PATH the full
// path of the document to convert, absent or empty when the word processor had none.
// --unsaved-changes: the document has changes its file lacks (the dialog says so). ID: the X
// window id of the word processor's window the dialog belongs to (it stays above it).
// --raise-on-input: each line on standard input brings the dialog to the front.

#include "addin/dialog/InProcessDialogRunner.h"
#include "app/ui/Artwork.h"
#include "engine/ProductNames.h"
#include "platform/folders/DataFolders.h"
#include "platform/service/ServiceConverterFactory.h"

#include <QApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QString caption = QString::fromUtf8(zarta::ProductNames::addin.data());
    QString document;
    zarta::addin::ConvertDialogRunner::Request request;
    bool raiseOnInput = false;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        bool valid = true;
        if ((argument == u"--caption" || argument == u"--document") && i + 1 < arguments.size()) {
            (argument == u"--caption" ? caption : document) = arguments[++i];
        } else if (argument == u"--host-window" && i + 1 < arguments.size()) {
            request.hostWindow = arguments[++i].toUInt(&valid);
        } else if (argument == u"--unsaved-changes") {
            request.unsavedChanges = true;
        } else if (argument == u"--raise-on-input") {
            raiseOnInput = true;
        } else {
            valid = false;
        }
        if (!valid) {
            std::fprintf(stderr,
                         "usage: %s [--caption NAME] [--document PATH] [--unsaved-changes] "
                         "[--host-window ID] [--raise-on-input]\n",
                         zarta::ProductNames::addinDialogProgram.data());
            return 2;
        }
    }
    request.documentPath = document.toStdString();
    QApplication::setWindowIcon(zarta::ui::Artwork::icon(zarta::ui::Artwork::ApplicationIcon));

    // The user's conversion service converts with an office already running; asked to start
    // one while the user sets the options.
    zarta::ServiceConverterFactory services(zarta::DataFolders::dataFolder(), true);
    services.warmUpInBackground();
    zarta::addin::InProcessDialogRunner runner(services, caption);
    if (raiseOnInput) {
        runner.setRaiseRequests(STDIN_FILENO);
    }
    runner.run(request, {});
    return 0;
}
