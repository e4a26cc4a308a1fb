#include "CZartaAllToPDFApp.h"

#include "Artwork.h"
#include "CZartaAllToPDFDlg.h"
#include "DataFolders.h"
#include "OfficeConversionServices.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>

namespace zarta::desktop {

QString CZartaAllToPDFApp::lockPath(const QString& runtimeFolder) {
    return QDir(runtimeFolder).filePath(QString::fromLatin1(lockName));
}

int CZartaAllToPDFApp::run(int argc, char** argv) {
    // The data folder doubles as the runtime folder on sessions without one, so it comes first.
    const std::string dataFolder = DataFolders::dataFolder();
    DataFolders::createPrivate(dataFolder);

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
    OfficeConversionServices services(dataFolder);
    CZartaAllToPDFDlg window(services);
    window.show();
    return application.exec();
}

} // namespace zarta::desktop
