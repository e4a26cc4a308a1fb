#pragma once

#include "platform/clipboard/Clipboard.h"

namespace zarta {

// The desktop's clipboard through Qt's. It can be reached only while a QGuiApplication exists
// in the process, and only from its GUI thread; otherwise save() gives empty contents,
// putPicture() false and restore() does nothing.
class QtClipboard final : public Clipboard {
public:
    ClipboardContents save() override;
    // The picture is offered as an image (Qt converts it to the desktop's picture formats).
    bool putPicture(const QImage& picture) override;
    void restore(const ClipboardContents& contents) override;
};

} // namespace zarta
