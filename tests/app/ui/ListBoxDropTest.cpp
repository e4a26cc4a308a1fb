#include "app/ui/CListBoxEx.h"
#include "app/ui/FileNameText.h"
#include "app/ui/MessageBoxes.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingMessageBoxes.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>

using namespace zarta::ui;

namespace {

// A folder with the files and sub-folders the drops name, and a list set up as the convert page
// sets it up.
class ListBoxDrop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        for (const char* name : {"Plan.DOCX", "notes.txt", "a.doc", "b.docx", "README", ".docx"}) {
            QFile file(path(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Reports.doc")));
        list.addAcceptedExtension(QStringLiteral("doc"));
        list.addAcceptedExtension(QStringLiteral("docx"));
        QObject::connect(&list, &CListBoxEx::filesDropped, [this] { ++notifications; });
    }

    QString path(const QString& name) const { return folder.path() + u'/' + name; }

    // Drops the files on the list as the file manager does, then lets the list finish.
    void drop(const QStringList& names) {
        QList<QUrl> urls;
        for (const QString& name : names) {
            urls << QUrl::fromLocalFile(path(name));
        }
        QMimeData mime;
        mime.setUrls(urls);
        drop(mime);
    }

    void drop(const QMimeData& mime) {
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list.viewport(), &event);
        EXPECT_TRUE(event.isAccepted());
        EXPECT_EQ(notifications, 0) << "the notification is queued, never sent during the drop";
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::processEvents();
        }
    }

    QStringList texts() const {
        QStringList result;
        for (const MessageBoxes::Request& request : boxes.requests) {
            result << request.text;
        }
        return result;
    }

    QTemporaryDir folder;
    CListBoxEx list;
    RecordingMessageBoxes boxes;
    int notifications = 0;
};

} // namespace

TEST_F(ListBoxDrop, ChecksEachDroppedPath) {
    const QString notSupported = QStringLiteral("File format not support!");
    const QString existing = QStringLiteral("Convert File existing.");
    struct Case {
        const char* what;
        QStringList listed;
        QStringList dropped;
        QStringList expected;
        QStringList messages;
        int notifications;
    };
    const Case cases[] = {
        {"upper-case extension accepted", {}, {"Plan.DOCX"}, {"Plan.DOCX"}, {}, 1},
        {"unsupported extension refused", {}, {"notes.txt"}, {}, {notSupported}, 0},
        {"folder and names without extension skipped silently",
         {},
         {"Reports.doc", "README", ".docx"},
         {},
         {},
         0},
        {"duplicate in other letter case refused", {"A.DOC"}, {"a.doc"}, {"A.DOC"}, {existing}, 0},
        {"a longer listed name is no duplicate", {"a.docx"}, {"a.doc"}, {"a.doc", "a.docx"}, {}, 1},
        {"three files, one unsupported",
         {},
         {"b.docx", "notes.txt", "a.doc"},
         {"a.doc", "b.docx"},
         {notSupported},
         1},
        {"the same file twice in one drop", {}, {"a.doc", "a.doc"}, {"a.doc"}, {existing}, 1},
    };
    for (const Case& c : cases) {
        list.clear();
        boxes.requests.clear();
        notifications = 0;
        for (const QString& name : c.listed) {
            list.addString(path(name));
        }
        drop(c.dropped);
        QStringList expected;
        for (const QString& name : c.expected) {
            expected << path(name);
        }
        EXPECT_EQ(list.strings(), expected) << c.what;
        EXPECT_EQ(texts(), c.messages) << c.what;
        EXPECT_EQ(notifications, c.notifications) << c.what;
        for (const MessageBoxes::Request& request : boxes.requests) {
            EXPECT_EQ(request.caption, QStringLiteral("Warning")) << c.what;
            EXPECT_EQ(request.icon, MessageBoxes::Icon::Information) << c.what;
            EXPECT_EQ(request.buttons, MessageBoxes::Buttons::Ok) << c.what;
            EXPECT_EQ(request.owner, &list) << c.what;
        }
    }
}

// The file manager sends a name that is not UTF-8 percent-encoded byte by byte; the list must
// hold exactly that file, not one whose name Qt's decoding made up.
TEST_F(ListBoxDrop, KeepsTheBytesOfANameThatIsNotUtf8) {
    const std::string latin1 = QFile::encodeName(folder.path()).toStdString() + "/caf\xE9.docx";
    std::FILE* created = std::fopen(latin1.c_str(), "w");
    ASSERT_NE(created, nullptr);
    std::fclose(created);
    QMimeData mime;
    mime.setData(QStringLiteral("text/uri-list"),
                 "file://" + QByteArray::fromStdString(latin1).toPercentEncoding("/") + "\r\n");
    drop(mime);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(FileNameText::toBytes(list.strings().front()), latin1);
    EXPECT_TRUE(texts().isEmpty());
}

TEST_F(ListBoxDrop, BusyListRefusesTheWholeDrop) {
    list.setBusy(true);
    drop({"a.doc", "notes.txt", "b.docx"});
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(notifications, 0);
    ASSERT_EQ(boxes.requests.size(), 1U);
    const MessageBoxes::Request& request = boxes.requests.front();
    EXPECT_EQ(request.text, QStringLiteral("Working now,Hold for a moment!"));
    EXPECT_EQ(request.caption, MessageBoxes::programName());
    EXPECT_EQ(request.caption, QStringLiteral("zarta_ui_tests"));
    EXPECT_EQ(request.icon, MessageBoxes::Icon::Warning);

    list.setBusy(false);
    drop({"a.doc"});
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(notifications, 1);
}
