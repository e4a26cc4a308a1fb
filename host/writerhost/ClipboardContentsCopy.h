#pragma once

#include <com/sun/star/datatransfer/XTransferable.hpp>
#include <cppuhelper/implbase1.hxx>

#include <vector>

namespace zarta::writerhost {

// Clipboard contents the host owns: each flavor with its data, read once. A copy of what the
// clipboard offers outlives the program that offered it (which may give up its selection when
// the clipboard changes hands), so the host can put it back later. Any thread.
class ClipboardContentsCopy : public cppu::WeakImplHelper1<css::datatransfer::XTransferable> {
public:
    struct Item {
        css::datatransfer::DataFlavor flavor;
        css::uno::Any data;
    };

    explicit ClipboardContentsCopy(std::vector<Item> items) : items_(std::move(items)) {}

    // Every flavor `contents` offers whose data can be read; none for no contents.
    static std::vector<Item>
    read(const css::uno::Reference<css::datatransfer::XTransferable>& contents);
    // The single item of a PNG picture.
    static Item png(const std::vector<unsigned char>& bytes);

    css::uno::Any SAL_CALL getTransferData(const css::datatransfer::DataFlavor& flavor) override;
    css::uno::Sequence<css::datatransfer::DataFlavor> SAL_CALL getTransferDataFlavors() override;
    sal_Bool SAL_CALL isDataFlavorSupported(const css::datatransfer::DataFlavor& flavor) override;

private:
    const Item* find(const css::datatransfer::DataFlavor& flavor) const;

    std::vector<Item> items_;
};

} // namespace zarta::writerhost
