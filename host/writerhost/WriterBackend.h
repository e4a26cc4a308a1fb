#pragma once

#include "host/wordhost/HostBackend.h"
#include "host/writerhost/ClipboardContentsCopy.h"

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/ui/XUIConfigurationManager.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace zarta::writerhost {

// The add-ins' toolbars, buttons, faces and active document in LibreOffice Writer.
//
// A toolbar is a custom toolbar of Writer's module ("private:resource/toolbar/custom_zartahost"
// with its number) named as the add-in asked; it is shown in every Writer window, present and
// future (attach() for a new one). A button is an item of it whose command is this host's
// protocol ("vnd.zarta.wordhost:click?button=N"), labelled with its caption; its face becomes
// the command's image. The bars and images exist only while the office runs: removeAll() takes
// them out of the module's configuration before the office stores it, and the next start
// removes any left by an office that ended without it.
//
// Office main thread only.
class WriterBackend : public wordhost::HostBackend {
public:
    static constexpr const char* protocol = "vnd.zarta.wordhost:";
    static constexpr const char* clickCommand = "vnd.zarta.wordhost:click?button=";

    explicit WriterBackend(css::uno::Reference<css::uno::XComponentContext> context);

    int addToolbar(const std::string& name) override;
    void showToolbar(int toolbar, bool visible) override;
    int addButton(int toolbar) override;
    void updateButton(int button, const Button& state) override;
    bool pasteFace(int button) override;
    bool putClipboardPicture(const std::vector<unsigned char>& png) override;
    bool restoreClipboard() override;
    std::optional<ActiveDocument> activeDocument() override;
    void keepResponsive() override;

    // Shows the visible toolbars in a new Writer window.
    void attach(const css::uno::Reference<css::frame::XFrame>& frame);
    // Whether a button is enabled (true for an unknown one).
    bool isEnabled(int button) const;
    // Takes every toolbar and image of this host out of Writer's configuration.
    void removeAll();

    static std::string commandOf(int button);
    static bool isWriterFrame(const css::uno::Reference<css::frame::XFrame>& frame);
    // The X window id of the frame's window; 0 when the office draws on another display system.
    static std::uint32_t xWindowOf(const css::uno::Reference<css::frame::XFrame>& frame);

private:
    struct Toolbar {
        std::string name;
        rtl::OUString resource;
        bool visible = false;
        std::vector<int> buttons;
    };

    void publish(const Toolbar& toolbar);
    void showIn(const css::uno::Reference<css::frame::XFrame>& frame, const Toolbar& toolbar);
    std::vector<css::uno::Reference<css::frame::XFrame>> writerFrames() const;
    void removeLeftovers();
    // The picture in those bytes (any format the office reads); empty when they hold none.
    css::uno::Reference<css::graphic::XGraphic>
    pictureOf(const css::uno::Sequence<sal_Int8>& bytes) const;

    css::uno::Reference<css::uno::XComponentContext> context_;
    css::uno::Reference<css::ui::XUIConfigurationManager> configuration_;
    std::map<int, Toolbar> toolbars_;
    std::map<int, Button> buttons_;
    std::map<int, int> buttonBars_;
    std::vector<rtl::OUString> imageCommands_;
    // What the clipboard held before a picture was put on it, until it is given back.
    std::optional<std::vector<ClipboardContentsCopy::Item>> savedClipboard_;
    int nextToolbar_ = 1;
    int nextButton_ = 1;
};

} // namespace zarta::writerhost
