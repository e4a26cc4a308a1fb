#pragma once

#include <QString>

class QWidget;

namespace zarta::ui {

// The message boxes the dialogs and controls show. Every box goes through the installed
// implementation, so tests can answer and observe them without showing a window; the program
// uses QtMessageBoxes, the default.
//
// User-interface thread only. install() does not take ownership; the installed object must stay
// alive until it is replaced or uninstalled.
class MessageBoxes {
public:
    enum class Icon { Information, Warning, Critical, Question, None };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Request {
        QWidget* owner = nullptr;
        QString caption;
        QString text;
        Icon icon = Icon::Warning;
        Buttons buttons = Buttons::Ok;
    };

    virtual ~MessageBoxes() = default;

    // Shows the box modally and returns the button the user chose. Closing a box without
    // choosing answers Ok for an OK box and No for a Yes/No box.
    virtual Answer ask(const Request& request) = 0;

    // Shows a box through the installed implementation.
    static Answer show(QWidget* owner, const QString& caption, const QString& text, Icon icon,
                       Buttons buttons = Buttons::Ok);
    // The standard message box: the program's name as caption, an OK button, a warning icon.
    static void showStandard(QWidget* owner, const QString& text);
    // The program's name: its executable's file name without extension.
    static QString programName();

    static MessageBoxes& current();
    // Replaces the implementation; nullptr restores the default.
    static void install(MessageBoxes* boxes);
};

} // namespace zarta::ui
