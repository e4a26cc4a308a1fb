// zarta-addin-dialog: the add-in's convert dialog in a process of its own, for word processors
// whose own toolkit cannot share a process with Qt. The add-in starts it for a click on its
// button and waits for it to end.
//
//     zarta-addin-dialog [--caption NAME] [--document PATH]
//
// NAME is the caption of the dialog's message boxes (the add-in module's name); PATH the full
// path of the document to convert, absent or empty when the word processor had none.

#include "addin/dialog/InProcessDialogRunner.h"
#include "app/ui/Artwork.h"
#include "engine/ProductNames.h"
#include "platform/folders/DataFolders.h"
#include "platform/service/ServiceConverterFactory.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QString caption = QString::fromUtf8(zarta::ProductNames::addin.data());
    QString document;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if ((argument == u"--caption" || argument == u"--document") && i + 1 < arguments.size()) {
            (argument == u"--caption" ? caption : document) = arguments[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--caption NAME] [--document PATH]\n",
                         zarta::ProductNames::addinDialogProgram.data());
            return 2;
        }
    }
    QApplication::setWindowIcon(zarta::ui::Artwork::icon(zarta::ui::Artwork::ApplicationIcon));

    // The user's conversion service converts with an office already running; asked to start
    // one while the user sets the options.
    zarta::ServiceConverterFactory services(zarta::DataFolders::dataFolder(), true);
    services.warmUpInBackground();
    zarta::addin::InProcessDialogRunner runner(services, caption);
    runner.run(document.toStdString(), {});
    return 0;
}
