#include "host/writerhost/ClipboardContentsCopy.h"

#include <com/sun/star/datatransfer/UnsupportedFlavorException.hpp>
#include <com/sun/star/uno/Exception.hpp>

namespace zarta::writerhost {

using namespace css;

std::vector<ClipboardContentsCopy::Item>
ClipboardContentsCopy::read(const uno::Reference<datatransfer::XTransferable>& contents) {
    std::vector<Item> items;
    if (!contents.is()) {
        return items;
    }
    for (const datatransfer::DataFlavor& flavor : contents->getTransferDataFlavors()) {
        // A flavor the offering program cannot render after all is left out; the others are
        // still worth keeping. So is data of another type than its flavor declares (the office
        // hands some byte flavors of text over as strings): offered again, it would reach
        // readers of that flavor in the wrong encoding.
        try {
            uno::Any data = contents->getTransferData(flavor);
            if (data.hasValue() && data.getValueType() == flavor.DataType) {
                items.push_back({flavor, std::move(data)});
            }
        } catch (const uno::Exception&) {
        }
    }
    return items;
}

ClipboardContentsCopy::Item ClipboardContentsCopy::png(const std::vector<unsigned char>& bytes) {
    const uno::Sequence<sal_Int8> data(reinterpret_cast<const sal_Int8*>(bytes.data()),
                                       sal_Int32(bytes.size()));
    return {datatransfer::DataFlavor("image/png", "PNG", cppu::UnoType<decltype(data)>::get()),
            uno::Any(data)};
}

const ClipboardContentsCopy::Item*
ClipboardContentsCopy::find(const datatransfer::DataFlavor& flavor) const {
    for (const Item& item : items_) {
        if (item.flavor.MimeType == flavor.MimeType) {
            return &item;
        }
    }
    return nullptr;
}

uno::Any ClipboardContentsCopy::getTransferData(const datatransfer::DataFlavor& flavor) {
    const Item* item = find(flavor);
    if (item == nullptr) {
        throw datatransfer::UnsupportedFlavorException(flavor.MimeType, *this);
    }
    return item->data;
}

uno::Sequence<datatransfer::DataFlavor> ClipboardContentsCopy::getTransferDataFlavors() {
    uno::Sequence<datatransfer::DataFlavor> flavors(sal_Int32(items_.size()));
    for (std::size_t i = 0; i < items_.size(); ++i) {
        flavors.getArray()[i] = items_[i].flavor;
    }
    return flavors;
}

sal_Bool ClipboardContentsCopy::isDataFlavorSupported(const datatransfer::DataFlavor& flavor) {
    return find(flavor) != nullptr;
}

} // namespace zarta::writerhost
