#pragma once

#include "app/ui/Shell.h"

#include <QString>
#include <QUrl>

#include <utility>
#include <vector>

// Stands in for the desktop while it exists: records what would have been opened or shown.
class RecordingShell : public zarta::ui::Shell {
public:
    RecordingShell() { install(this); }
    ~RecordingShell() override { install(nullptr); }
    RecordingShell(const RecordingShell&) = delete;
    RecordingShell& operator=(const RecordingShell&) = delete;

    void openUrl(const QUrl& url) override { opened.push_back(url); }
    void showItem(const QString& filePath, const QString& folderPath) override {
        shown.emplace_back(filePath, folderPath);
    }

    std::vector<QUrl> opened;
    std::vector<std::pair<QString, QString>> shown;
};
