#pragma once

#include "host/wordhost/AddinLoader.h"
#include "host/wordhost/HostObjectModel.h"
#include "host/writerhost/WriterBackend.h"

#include <com/sun/star/document/XDocumentEventListener.hpp>
#include <com/sun/star/frame/XTerminateListener.hpp>
#include <cppuhelper/implbase2.hxx>
#include <rtl/ref.hxx>

namespace zarta::writerhost {

// The add-in host of one office process: at office start it loads the registered add-ins
// (AddinLoader) with an application object over Writer (HostObjectModel on WriterBackend);
// every new Writer window gets their toolbars; at office end the add-ins are shut down and
// their toolbars taken out of Writer's configuration. Problems are reported on the office's
// standard error. An office started by the program's own conversions (OfficeProcess) runs no
// add-ins.
//
// Office main thread only: start() from the start-up job, click() from the click handler's
// posted call, the listeners from the office.
class WriterHost : public cppu::WeakImplHelper2<css::frame::XTerminateListener,
                                                css::document::XDocumentEventListener> {
public:
    // Starts the host once per process; later calls do nothing.
    static void start(const css::uno::Reference<css::uno::XComponentContext>& context);
    // The running host, or null before start() and after the office's end.
    static rtl::Reference<WriterHost> current();

    // Fires the Click of the button with that number.
    void click(int button);
    bool isEnabled(int button) const { return backend_.isEnabled(button); }

    void SAL_CALL queryTermination(const css::lang::EventObject& event) override;
    void SAL_CALL notifyTermination(const css::lang::EventObject& event) override;
    void SAL_CALL documentEventOccured(const css::document::DocumentEvent& event) override;
    void SAL_CALL disposing(const css::lang::EventObject& event) override;

private:
    explicit WriterHost(const css::uno::Reference<css::uno::XComponentContext>& context);
    void connect();
    void stop();

    css::uno::Reference<css::uno::XComponentContext> context_;
    WriterBackend backend_;
    wordhost::HostObjectModel model_;
    wordhost::AddinLoader loader_;
};

} // namespace zarta::writerhost
