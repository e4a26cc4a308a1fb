#pragma once

#include "platform/clipboard/ClipboardContents.h"

#include <QImage>

namespace zarta {

// The desktop's clipboard, as a program borrows it to hand a picture to another component and
// then gives the user's contents back. Called on the thread that owns the desktop connection
// (the GUI thread where a Qt application runs).
class Clipboard {
public:
    virtual ~Clipboard() = default;

    // A copy of everything the clipboard holds now, in every format it offers.
    virtual ClipboardContents save() = 0;
    // Replaces the clipboard's contents with `picture`. False, with nothing changed, when no
    // clipboard can be reached or the picture is null.
    virtual bool putPicture(const QImage& picture) = 0;
    // Makes the clipboard hold `contents` again; empty contents leave it empty.
    virtual void restore(const ClipboardContents& contents) = 0;
};

} // namespace zarta
