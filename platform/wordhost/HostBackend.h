#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarta::wordhost {

// What a word processor hosting add-ins does with the object model's requests
// (HostObjectModel): its toolbars, their buttons, the clipboard picture a button takes as its
// face, and its active document. Toolbars and buttons are known by the numbers the backend hands
// out. Called on the host's user-interface thread.
class HostBackend {
public:
    // What a button shows.
    struct Button {
        std::string caption;
        std::string tooltip;
        std::string tag;
        bool visible = true;
        bool enabled = true;
        int style = 0;
    };
    // A picture as 32-bit ARGB pixels, row after row.
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> pixels;
    };

    virtual ~HostBackend() = default;

    // A new toolbar of that name, hidden until shown; its number.
    virtual int addToolbar(const std::string& name) = 0;
    virtual void showToolbar(int toolbar, bool visible) = 0;
    // A new button at the end of the toolbar; its number.
    virtual int addButton(int toolbar) = 0;
    // The button's properties changed.
    virtual void updateButton(int button, const Button& state) = 0;
    // The picture on the desktop's clipboard, when it holds one.
    virtual std::optional<Picture> clipboardPicture() = 0;
    virtual void setButtonFace(int button, const Picture& face) = 0;
    // The active document's full name: its file's path, or for a document never saved a name
    // without a folder. Nothing when no document is open.
    virtual std::optional<std::string> activeDocumentName() = 0;
};

} // namespace zarta::wordhost
