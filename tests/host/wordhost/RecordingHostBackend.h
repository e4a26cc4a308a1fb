#pragma once

#include "host/wordhost/HostBackend.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zarta::wordhost {

// A host backend that records what the object model asks of it and keeps a clipboard of its
// own: the PNG bytes last put there (empty: no picture), and what it held before, until given
// back. A button's face is the clipboard's bytes when it was pasted.
class RecordingHostBackend final : public HostBackend {
public:
    using Bytes = std::vector<unsigned char>;

    int addToolbar(const std::string& name) override {
        toolbars.push_back({name, false});
        return int(toolbars.size());
    }
    void showToolbar(int toolbar, bool visible) override {
        toolbars.at(std::size_t(toolbar - 1)).second = visible;
    }
    int addButton(int toolbar) override {
        buttonBars.push_back(toolbar);
        buttons.emplace_back();
        faces.emplace_back();
        return int(buttons.size());
    }
    void updateButton(int button, const Button& state) override {
        buttons.at(std::size_t(button - 1)) = state;
    }
    bool pasteFace(int button) override {
        if (clipboard.empty()) {
            return false;
        }
        faces.at(std::size_t(button - 1)) = clipboard;
        return true;
    }
    bool putClipboardPicture(const Bytes& png) override {
        if (!isPng(png)) {
            return false;
        }
        if (!saved) {
            saved = clipboard;
        }
        clipboard = png;
        return true;
    }
    bool restoreClipboard() override {
        if (!saved) {
            return false;
        }
        clipboard = *std::exchange(saved, std::nullopt);
        return true;
    }
    std::optional<ActiveDocument> activeDocument() override { return document; }
    void keepResponsive() override { ++keptResponsive; }

    static bool isPng(const Bytes& bytes) {
        static const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        return bytes.size() > signature.size() &&
               std::equal(signature.begin(), signature.end(), bytes.begin());
    }

    std::vector<std::pair<std::string, bool>> toolbars;
    std::vector<int> buttonBars;
    std::vector<Button> buttons;
    std::vector<Bytes> faces;
    Bytes clipboard;
    std::optional<Bytes> saved;
    std::optional<ActiveDocument> document;
    int keptResponsive = 0;
};

} // namespace zarta::wordhost
