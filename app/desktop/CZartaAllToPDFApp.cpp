#include "app/desktop/CZartaAllToPDFApp.h"

#include "app/desktop/CZartaAllToPDFDlg.h"
#include "app/ui/Artwork.h"
#include "engine/ProductNames.h"
#include "platform/folders/DataFolders.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/service/ServiceConverterFactory.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>
#include <QMessageBox>

#include <cstdio>

namespace zarta::desktop {

QString CZartaAllToPDFApp::lockPath(const QString& runtimeFolder) {
    return QDir(runtimeFolder).filePath(QString::fromLatin1(lockName));
}

int CZartaAllToPDFApp::run(int argc, char** argv) {
    // The data folder doubles as the runtime folder on sessions without one, so it comes first.
    const std::string dataFolder = DataFolders::dataFolder();
    try {
        DataFolders::prepare(dataFolder);
    } catch (const DataFolders::Refused& refused) {
        // Nothing is converted with (or written into) a folder other users may control.
        std::fprintf(stderr, "%s\n", refused.what());
        QApplication application(argc, argv);
        QMessageBox::critical(nullptr, QString::fromUtf8(ProductNames::product.data()),
                              QStringLiteral("The program can't run: ") +
                                  QString::fromUtf8(refused.what()));
        return 1;
    }

    QLockFile lock(lockPath(QString::fromStdString(DataFolders::runtimeFolder())));
    // Held for as long as the program runs; a lock left by a copy that died is taken over.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        return 0;
    }
    // Any other failure (an unwritable runtime folder) only costs the single-copy protection.

    QApplication application(argc, argv);
    application.setWindowIcon(ui::Artwork::icon(ui::Artwork::ApplicationIcon));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(lockName));
    // Said once per run, before anything is converted.
    if (const auto network = NetworkIsolation::notice()) {
        const QString caption = QString::fromUtf8(ProductNames::product.data());
        const QString text = QString::fromStdString(network->text);
        std::fprintf(stderr, "%s\n", network->text.c_str());
        if (network->refuse) {
            QMessageBox::critical(nullptr, caption,
                                  QStringLiteral("The program can't run: ") + text);
            return 1;
        }
        QMessageBox::warning(nullptr, caption, QStringLiteral("Warning: ") + text);
    }
    // The user's conversion service converts with offices kept running; asked to start them as
    // the window opens, so that Convert finds one ready.
    ServiceConverterFactory services(dataFolder, true);
    CZartaAllToPDFDlg window(services);
    window.show();
    services.warmUpInBackground();
    return application.exec();
}

} // namespace zarta::desktop
