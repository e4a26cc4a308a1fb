#include "host/writerhost/WriterBackend.h"

#include <com/sun/star/awt/SystemDependentXWindow.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XReschedule.hpp>
#include <com/sun/star/awt/XSystemDependentWindowPeer.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XIndexContainer.hpp>
#include <com/sun/star/datatransfer/clipboard/SystemClipboard.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFramesSupplier.hpp>
#include <com/sun/star/frame/XLayoutManager.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/lang/SystemDependent.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/ui/ImageType.hpp>
#include <com/sun/star/ui/ItemStyle.hpp>
#include <com/sun/star/ui/ItemType.hpp>
#include <com/sun/star/ui/UIElementType.hpp>
#include <com/sun/star/ui/XImageManager.hpp>
#include <com/sun/star/ui/theModuleUIConfigurationManagerSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <osl/file.hxx>
#include <rtl/process.h>

#include <algorithm>
#include <iterator>

namespace zarta::writerhost {

namespace {

using namespace css;
using uno::Any;
using uno::Reference;
using uno::Sequence;
using uno::UNO_QUERY;

const rtl::OUString resourcePrefix = "private:resource/toolbar/custom_zartahost";
const rtl::OUString writerModule = "com.sun.star.text.TextDocument";
const sal_Int16 iconSizes[] = {ui::ImageType::SIZE_DEFAULT, ui::ImageType::SIZE_LARGE,
                               ui::ImageType::SIZE_32};

rtl::OUString text(const std::string& utf8) {
    return rtl::OUString(utf8.data(), sal_Int32(utf8.size()), RTL_TEXTENCODING_UTF8);
}

beans::PropertyValue property(const rtl::OUString& name, const Any& value) {
    return beans::PropertyValue(name, -1, value, beans::PropertyState_DIRECT_VALUE);
}

Reference<frame::XLayoutManager> layoutOf(const Reference<frame::XFrame>& frame) {
    Reference<frame::XLayoutManager> layout;
    Reference<beans::XPropertySet> properties(frame, UNO_QUERY);
    if (properties.is()) {
        properties->getPropertyValue("LayoutManager") >>= layout;
    }
    return layout;
}

} // namespace

WriterBackend::WriterBackend(Reference<uno::XComponentContext> context)
    : context_(std::move(context)) {
    configuration_ =
        ui::theModuleUIConfigurationManagerSupplier::get(context_)->getUIConfigurationManager(
            writerModule);
    removeLeftovers();
}

std::string WriterBackend::commandOf(int button) {
    return clickCommand + std::to_string(button);
}

bool WriterBackend::isWriterFrame(const Reference<frame::XFrame>& frame) {
    if (!frame.is()) {
        return false;
    }
    const Reference<frame::XController> controller = frame->getController();
    if (!controller.is()) {
        return false;
    }
    const Reference<lang::XServiceInfo> model(controller->getModel(), UNO_QUERY);
    return model.is() && model->supportsService(writerModule);
}

std::vector<Reference<frame::XFrame>> WriterBackend::writerFrames() const {
    std::vector<Reference<frame::XFrame>> frames;
    const Reference<frame::XFramesSupplier> desktop(frame::Desktop::create(context_), UNO_QUERY);
    const Reference<container::XIndexAccess> all(desktop->getFrames(), UNO_QUERY);
    for (sal_Int32 i = 0; all.is() && i < all->getCount(); ++i) {
        Reference<frame::XFrame> frame;
        all->getByIndex(i) >>= frame;
        if (isWriterFrame(frame)) {
            frames.push_back(frame);
        }
    }
    return frames;
}

void WriterBackend::removeLeftovers() {
    const auto elements = configuration_->getUIElementsInfo(ui::UIElementType::TOOLBAR);
    for (const auto& element : elements) {
        for (const auto& value : element) {
            rtl::OUString resource;
            if (value.Name == "ResourceURL" && (value.Value >>= resource) &&
                resource.startsWith(resourcePrefix)) {
                configuration_->removeSettings(resource);
            }
        }
    }
}

int WriterBackend::addToolbar(const std::string& name) {
    const int number = nextToolbar_++;
    Toolbar& toolbar = toolbars_[number];
    toolbar.name = name;
    toolbar.resource = resourcePrefix + rtl::OUString::number(number);
    publish(toolbar);
    return number;
}

void WriterBackend::showToolbar(int number, bool visible) {
    const auto found = toolbars_.find(number);
    if (found == toolbars_.end()) {
        return;
    }
    found->second.visible = visible;
    for (const auto& frame : writerFrames()) {
        showIn(frame, found->second);
    }
}

int WriterBackend::addButton(int toolbar) {
    const int number = nextButton_++;
    buttons_[number] = Button{};
    buttonBars_[number] = toolbar;
    const auto found = toolbars_.find(toolbar);
    if (found != toolbars_.end()) {
        found->second.buttons.push_back(number);
        publish(found->second);
    }
    return number;
}

void WriterBackend::updateButton(int button, const Button& state) {
    buttons_[button] = state;
    const auto found = toolbars_.find(buttonBars_[button]);
    if (found != toolbars_.end()) {
        publish(found->second);
    }
}

bool WriterBackend::isEnabled(int button) const {
    const auto found = buttons_.find(button);
    return found == buttons_.end() || found->second.enabled;
}

void WriterBackend::publish(const Toolbar& toolbar) {
    const Reference<container::XIndexContainer> settings(configuration_->createSettings(),
                                                         uno::UNO_SET_THROW);
    Reference<beans::XPropertySet>(settings, uno::UNO_QUERY_THROW)
        ->setPropertyValue("UIName", Any(text(toolbar.name)));
    sal_Int32 index = 0;
    for (const int number : toolbar.buttons) {
        const Button& button = buttons_[number];
        const beans::PropertyValue values[] = {
            property("CommandURL", Any(text(commandOf(number)))),
            property("Label", Any(text(button.caption))),
            property("Tooltip", Any(text(button.tooltip))),
            property("Type", Any(ui::ItemType::DEFAULT)),
            property("IsVisible", Any(button.visible)),
            property("Style", Any(sal_Int16(ui::ItemStyle::ICON | ui::ItemStyle::TEXT |
                                            ui::ItemStyle::AUTO_SIZE))),
        };
        const Sequence<beans::PropertyValue> item(values, sal_Int32(std::size(values)));
        settings->insertByIndex(index++, Any(item));
    }
    const Reference<container::XIndexAccess> items(settings, UNO_QUERY);
    if (configuration_->hasSettings(toolbar.resource)) {
        configuration_->replaceSettings(toolbar.resource, items);
    } else {
        configuration_->insertSettings(toolbar.resource, items);
    }
}

void WriterBackend::showIn(const Reference<frame::XFrame>& frame, const Toolbar& toolbar) {
    const Reference<frame::XLayoutManager> layout = layoutOf(frame);
    if (!layout.is()) {
        return;
    }
    if (toolbar.visible) {
        layout->createElement(toolbar.resource);
        layout->showElement(toolbar.resource);
    } else {
        layout->hideElement(toolbar.resource);
    }
}

void WriterBackend::attach(const Reference<frame::XFrame>& frame) {
    if (!isWriterFrame(frame)) {
        return;
    }
    for (const auto& [number, toolbar] : toolbars_) {
        if (toolbar.visible) {
            showIn(frame, toolbar);
        }
    }
}

bool WriterBackend::pasteFace(int button) {
    // The add-in's call must not end in an exception of the office: a face the office cannot
    // take is a face not pasted.
    try {
        const auto clipboard = datatransfer::clipboard::SystemClipboard::create(context_);
        const Reference<datatransfer::XTransferable> contents = clipboard->getContents();
        if (!contents.is()) {
            return false;
        }
        for (const auto& flavor : contents->getTransferDataFlavors()) {
            if (!flavor.MimeType.startsWith("image/") &&
                !flavor.MimeType.startsWith("application/x-openoffice-bitmap")) {
                continue;
            }
            Sequence<sal_Int8> bytes;
            if (!(contents->getTransferData(flavor) >>= bytes) || !bytes.hasElements()) {
                continue;
            }
            const Reference<graphic::XGraphic> picture = pictureOf(bytes);
            if (!picture.is()) {
                continue;
            }
            const Reference<ui::XImageManager> images(configuration_->getImageManager(), UNO_QUERY);
            const rtl::OUString command = text(commandOf(button));
            const Sequence<rtl::OUString> commands(&command, 1);
            const Sequence<Reference<graphic::XGraphic>> pictures(&picture, 1);
            // The toolbars show the image of the icon size the user chose; the image manager scales
            // the face to each.
            for (const sal_Int16 size : iconSizes) {
                if (images->hasImage(size, command)) {
                    images->replaceImages(size, commands, pictures);
                } else {
                    images->insertImages(size, commands, pictures);
                }
            }
            if (std::find(imageCommands_.begin(), imageCommands_.end(), command) ==
                imageCommands_.end()) {
                imageCommands_.push_back(command);
            }
            return true;
        }
        return false;
    } catch (const uno::Exception&) {
        return false;
    }
}

Reference<graphic::XGraphic> WriterBackend::pictureOf(const Sequence<sal_Int8>& bytes) const {
    const beans::PropertyValue stream = property(
        "InputStream", Any(io::SequenceInputStream::createStreamFromSequence(context_, bytes)));
    return graphic::GraphicProvider::create(context_)->queryGraphic(
        Sequence<beans::PropertyValue>(&stream, 1));
}

bool WriterBackend::putClipboardPicture(const std::vector<unsigned char>& png) {
    ClipboardContentsCopy::Item picture = ClipboardContentsCopy::png(png);
    // The add-in's call must not end in an exception of the office: a clipboard that cannot be
    // reached is a picture not put.
    try {
        // Only a picture the office can read is put there: the button takes it from the
        // clipboard as a picture, and anything else would only cost the user their contents.
        if (!pictureOf(picture.data.get<Sequence<sal_Int8>>()).is()) {
            return false;
        }
        const auto clipboard = datatransfer::clipboard::SystemClipboard::create(context_);
        if (!savedClipboard_) {
            savedClipboard_ = ClipboardContentsCopy::read(clipboard->getContents());
        }
        clipboard->setContents(new ClipboardContentsCopy({std::move(picture)}), nullptr);
        return true;
    } catch (const uno::Exception&) {
        return false;
    }
}

bool WriterBackend::restoreClipboard() {
    if (!savedClipboard_) {
        return false;
    }
    // An empty clipboard is given back empty: no contents at all rather than contents with no
    // flavors, which some programs would offer as a paste of nothing.
    Reference<datatransfer::XTransferable> contents;
    if (!savedClipboard_->empty()) {
        contents = new ClipboardContentsCopy(std::move(*savedClipboard_));
    }
    savedClipboard_.reset();
    try {
        datatransfer::clipboard::SystemClipboard::create(context_)->setContents(contents, nullptr);
    } catch (const uno::Exception&) {
        // The clipboard went away meanwhile; there is nothing left to give the contents to.
    }
    return true;
}

std::optional<wordhost::HostBackend::ActiveDocument> WriterBackend::activeDocument() {
    const Reference<frame::XModel> model(frame::Desktop::create(context_)->getCurrentComponent(),
                                         UNO_QUERY);
    const Reference<lang::XServiceInfo> info(model, UNO_QUERY);
    if (!model.is() || !info.is() || !info->supportsService(writerModule)) {
        return std::nullopt;
    }
    ActiveDocument document;
    const rtl::OUString url = model->getURL();
    rtl::OUString path;
    if (url.isEmpty()) {
        // A document never saved: its title, a name without a folder.
        const Reference<frame::XTitle> title(model, UNO_QUERY);
        document.name = title.is() ? std::string(title->getTitle().toUtf8().getStr()) : "";
    } else if (osl::FileBase::getSystemPathFromFileURL(url, path) == osl::FileBase::E_None) {
        document.name = path.toUtf8().getStr();
    } else {
        document.name = url.toUtf8().getStr();
    }
    const Reference<util::XModifiable> modifiable(model, UNO_QUERY);
    document.modified = modifiable.is() && modifiable->isModified();
    const Reference<frame::XController> controller = model->getCurrentController();
    const Reference<frame::XFrame> frame =
        controller.is() ? controller->getFrame() : Reference<frame::XFrame>();
    document.window = frame.is() ? xWindowOf(frame) : 0;
    return document;
}

std::uint32_t WriterBackend::xWindowOf(const Reference<frame::XFrame>& frame) {
    const Reference<awt::XSystemDependentWindowPeer> peer(frame->getContainerWindow(), UNO_QUERY);
    if (!peer.is()) {
        return 0;
    }
    // The office hands out native handles only to its own process, known by this id.
    Sequence<sal_Int8> process(16);
    rtl_getGlobalProcessId(reinterpret_cast<sal_uInt8*>(process.getArray()));
    awt::SystemDependentXWindow window;
    if (!(peer->getWindowHandle(process, lang::SystemDependent::SYSTEM_XWINDOW) >>= window)) {
        return 0; // not an X11 display
    }
    return std::uint32_t(window.WindowHandle);
}

void WriterBackend::keepResponsive() {
    const Reference<awt::XReschedule> toolkit(awt::Toolkit::create(context_), UNO_QUERY);
    if (toolkit.is()) {
        // The toolkit's reschedule is marked for removal in favour of internal interfaces that
        // extensions cannot reach; it is still the one way for an extension to let the office
        // handle its pending events.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        toolkit->reschedule();
#pragma GCC diagnostic pop
    }
}

void WriterBackend::removeAll() {
    for (const auto& [number, toolbar] : toolbars_) {
        if (configuration_->hasSettings(toolbar.resource)) {
            configuration_->removeSettings(toolbar.resource);
        }
    }
    toolbars_.clear();
    if (!imageCommands_.empty()) {
        const Reference<ui::XImageManager> images(configuration_->getImageManager(), UNO_QUERY);
        const Sequence<rtl::OUString> commands(imageCommands_.data(),
                                               sal_Int32(imageCommands_.size()));
        for (const sal_Int16 size : iconSizes) {
            images->removeImages(size, commands);
        }
        imageCommands_.clear();
    }
}

} // namespace zarta::writerhost
