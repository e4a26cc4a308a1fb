#include "host/writerhost/WriterHost.h"

#include "engine/ProductNames.h"
#include "platform/office/OfficeProcess.h"

#include <com/sun/star/document/XDocumentEventBroadcaster.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/theGlobalEventBroadcaster.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace zarta::writerhost {

namespace {

using namespace css;
using uno::Reference;

rtl::Reference<WriterHost> running;

void report(const std::string& message) {
    std::fprintf(stderr, "%s add-in host: %s\n", ProductNames::product.data(), message.c_str());
}

// Whether the office was started without a user interface.
bool headless() {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string line((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    for (std::size_t start = 0; start < line.size();) {
        const std::size_t end = line.find('\0', start);
        const std::string argument = line.substr(start, end - start);
        if (argument == "--headless" || argument == "-headless") {
            return true;
        }
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

WriterHost::WriterHost(const Reference<uno::XComponentContext>& context)
    : context_(context), backend_(context), model_(backend_),
      loader_(Registry::forCurrentUser(), &report) {}

void WriterHost::start(const Reference<uno::XComponentContext>& context) {
    // An office the program started for its own conversions runs no add-ins.
    if (running.is() || std::getenv(OfficeProcess::noAddinsVariable) != nullptr) {
        return;
    }
    try {
        running = new WriterHost(context);
        running->connect();
    } catch (const uno::Exception& error) {
        report("the host could not start: " + std::string(error.Message.toUtf8().getStr()));
        running.clear();
    }
}

rtl::Reference<WriterHost> WriterHost::current() {
    return running;
}

void WriterHost::connect() {
    frame::Desktop::create(context_)->addTerminateListener(this);
    Reference<document::XDocumentEventBroadcaster> events(
        frame::theGlobalEventBroadcaster::get(context_), uno::UNO_QUERY);
    if (events.is()) {
        events->addDocumentEventListener(this);
    }
    loader_.connectAll(model_.application(), !headless());
}

void WriterHost::click(int button) {
    model_.click(button);
}

void WriterHost::stop() {
    Reference<document::XDocumentEventBroadcaster> events(
        frame::theGlobalEventBroadcaster::get(context_), uno::UNO_QUERY);
    if (events.is()) {
        events->removeDocumentEventListener(this);
    }
    loader_.disconnectAll();
    try {
        backend_.removeAll();
    } catch (const uno::Exception& error) {
        report("the toolbars could not be removed: " +
               std::string(error.Message.toUtf8().getStr()));
    }
}

void WriterHost::queryTermination(const lang::EventObject&) {}

void WriterHost::notifyTermination(const lang::EventObject&) {
    stop();
    running.clear();
}

void WriterHost::documentEventOccured(const document::DocumentEvent& event) {
    if (event.EventName != "OnViewCreated") {
        return;
    }
    const Reference<frame::XController> controller(event.ViewController, uno::UNO_QUERY);
    if (controller.is()) {
        backend_.attach(controller->getFrame());
    }
}

void WriterHost::disposing(const lang::EventObject&) {}

} // namespace zarta::writerhost
