#pragma once

#include "FileDialogs.h"
#include "MessageBoxes.h"

#include <QStringList>

#include <functional>
#include <vector>

// Stands in for the message boxes while it exists: records every request and answers through
// the handler (Ok for an OK box and No for a Yes/No box without one). The handler may run the
// event loop, as a real modal box does.
class ScriptedMessageBoxes : public zarta::ui::MessageBoxes {
public:
    ScriptedMessageBoxes() { install(this); }
    ~ScriptedMessageBoxes() override { install(nullptr); }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    Answer ask(const Request& request) override {
        requests.push_back(request);
        if (handler) {
            return handler(request);
        }
        return request.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }

    QStringList texts() const {
        QStringList result;
        for (const Request& request : requests) {
            result << request.text;
        }
        return result;
    }

    std::vector<Request> requests;
    std::function<Answer(const Request&)> handler;
};

// Stands in for the file and folder choosers: answers with the next prepared choice.
class ScriptedFileDialogs : public zarta::desktop::FileDialogs {
public:
    ScriptedFileDialogs() { install(this); }
    ~ScriptedFileDialogs() override { install(nullptr); }
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    QStringList chooseFiles(QWidget*, const QString& filter) override {
        lastFilter = filter;
        return files;
    }
    QString chooseFolder(QWidget*) override { return folder; }

    QStringList files;
    QString folder;
    QString lastFilter;
};
