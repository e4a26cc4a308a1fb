#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace zarta {

// What a clipboard held at one moment: each format it offered (a MIME type) with its bytes.
// Empty when the clipboard was empty. A plain value; any thread.
struct ClipboardContents {
    struct Item {
        QString format;
        QByteArray data;
        friend bool operator==(const Item&, const Item&) = default;
    };
    std::vector<Item> items;
    friend bool operator==(const ClipboardContents&, const ClipboardContents&) = default;
};

} // namespace zarta
