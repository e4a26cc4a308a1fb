#include "app/desktop/CZartaAllToPDFApp.h"

#include "app/desktop/CConvertDlg.h"
#include "app/desktop/CZartaAllToPDFDlg.h"
#include "app/desktop/FileHandOver.h"
#include "app/ui/Artwork.h"
#include "app/ui/CListBoxEx.h"
#include "engine/ProductNames.h"
#include "platform/folders/DataFolders.h"
#include "platform/office/NetworkIsolation.h"
#include "platform/service/ServiceConverterFactory.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMessageBox>

#include <cstdio>
#include <cstring>

namespace zarta::desktop {

QString CZartaAllToPDFApp::lockPath(const QString& runtimeFolder) {
    return QDir(runtimeFolder).filePath(QString::fromLatin1(lockName));
}

QString CZartaAllToPDFApp::help() {
    return QStringLiteral("Usage: " ZARTA_PROGRAM_NAME " [FILE]...\n"
                          "Opens the window of " ZARTA_PRODUCT_NAME
                          ", which converts batches of Word documents\n"
                          "(.doc, .docx) into PDF files. The files given are added to its "
                          "list as if\n"
                          "dropped on it. Only one copy runs for each user.\n"
                          "\n"
                          "  -h, --help   show this help and exit\n"
                          "  --version    show the version and exit\n");
}

QStringList CZartaAllToPDFApp::filesFromArguments(const QStringList& arguments,
                                                  QString& unknownOption) {
    QStringList files;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument.startsWith(u'-')) {
            unknownOption = argument;
        } else {
            files.append(QFileInfo(argument).absoluteFilePath());
        }
    }
    return files;
}

void CZartaAllToPDFApp::addFiles(CZartaAllToPDFDlg& window, const QStringList& files) {
    if (files.isEmpty()) {
        return;
    }
    ui::CListBoxEx* list = window.convertPage()->fileList();
    QMetaObject::invokeMethod(
        list, [list, files] { list->acceptDroppedPaths(files); }, Qt::QueuedConnection);
}

int CZartaAllToPDFApp::run(int argc, char** argv) {
    // Answered before anything else, without a display.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(help().toUtf8().constData(), stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs(ZARTA_PROGRAM_NAME " (" ZARTA_PRODUCT_NAME ") " ZARTA_PRODUCT_VERSION "\n",
                   stdout);
        return 0;
    }
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

    const QString runtimeFolder = QString::fromStdString(DataFolders::runtimeFolder());
    QLockFile lock(lockPath(runtimeFolder));
    // Held for as long as the program runs; a lock left by a copy that died is taken over.
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError) {
        // The running copy takes the files; options (Qt's included) mean nothing to it.
        QStringList arguments;
        for (int i = 1; i < argc; ++i) {
            arguments.append(QFile::decodeName(argv[i]));
        }
        QString ignored;
        const QStringList files = filesFromArguments(arguments, ignored);
        if (files.isEmpty() || FileHandOver::send(FileHandOver::socketPath(runtimeFolder), files)) {
            return 0;
        }
        std::fprintf(stderr, "%s: the running copy did not take the files given\n", lockName);
        return 1;
    }
    // Any other failure (an unwritable runtime folder) only costs the single-copy protection.

    QApplication application(argc, argv);
    QString unknownOption;
    const QStringList files = filesFromArguments(QApplication::arguments().mid(1), unknownOption);
    if (!unknownOption.isEmpty()) {
        std::fprintf(stderr, "%s: unknown option %s\nTry '%s --help'.\n", lockName,
                     unknownOption.toLocal8Bit().constData(), lockName);
        return 2;
    }
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
    addFiles(window, files);
    // Files handed over by copies started later join the list, and the window comes to the
    // front. Without the socket, later copies say that their files were not taken.
    FileHandOver handOver;
    QObject::connect(&handOver, &FileHandOver::filesReceived, &window,
                     [&window](const QStringList& handed) {
                         addFiles(window, handed);
                         window.raise();
                         window.activateWindow();
                     });
    if (!handOver.listen(FileHandOver::socketPath(runtimeFolder))) {
        std::fprintf(stderr, "%s: files given to later copies can't be taken\n", lockName);
    }
    return application.exec();
}

} // namespace zarta::desktop
