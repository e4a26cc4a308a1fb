#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zarta::wordhost {

// What a word processor hosting add-ins does with the object model's requests
// (HostObjectModel): its toolbars, their buttons, the clipboard picture a button takes as its
// face (which an add-in may hand over through the host's own clipboard), and its active
// document. Toolbars and buttons are known by the numbers the backend hands
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
    // The document the user works in.
    struct ActiveDocument {
        // Its file's path, or for a document never saved a name without a folder.
        std::string name;
        // Whether it holds changes its file lacks.
        bool modified = false;
        // The X window id of the top-level window showing it; 0 when unknown.
        std::uint32_t window = 0;
    };
    virtual ~HostBackend() = default;

    // A new toolbar of that name, hidden until shown; its number.
    virtual int addToolbar(const std::string& name) = 0;
    virtual void showToolbar(int toolbar, bool visible) = 0;
    // A new button at the end of the toolbar; its number.
    virtual int addButton(int toolbar) = 0;
    // The button's properties changed.
    virtual void updateButton(int button, const Button& state) = 0;
    // Makes the picture on the desktop's clipboard the button's face; false, with the face
    // unchanged, when the clipboard holds no picture.
    virtual bool pasteFace(int button) = 0;
    // Puts the PNG picture on the desktop's clipboard, keeping what the clipboard held before
    // the first such call since the last restoreClipboard(). False, with the clipboard
    // unchanged, when it cannot be reached or the bytes are no picture.
    virtual bool putClipboardPicture(const std::vector<unsigned char>& png) = 0;
    // Gives the clipboard back what it held before the picture was put; false when no picture
    // was put since the last restore.
    virtual bool restoreClipboard() = 0;
    // The active document; nothing when no document is open.
    virtual std::optional<ActiveDocument> activeDocument() = 0;
    // Lets the host handle its pending events (repaint, input) while an add-in waits for
    // something outside it; called repeatedly by the waiting add-in.
    virtual void keepResponsive() = 0;
};

} // namespace zarta::wordhost
