#pragma once

#include "host/wordhost/CommandBarButton.h"
#include "host/wordhost/CommandBars.h"
#include "host/wordhost/WordApplication.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IConnectionPointContainer.h"

#include <QImage>

#include <map>
#include <optional>
#include <string>
#include <vector>

// Plays the word processor's part for an add-in, in-process: an application object with
// command bars, bars, controls and buttons (each button a connection point container for its
// Click event) and an optional active document. Every call the add-in makes on the object
// model is recorded, with its arguments, in `calls`; a call named in `failures` answers that
// code instead. A button's PasteFace takes the picture from the desktop's clipboard (Qt's), as
// a real host does. Test thread only.
class TestWordHost {
public:
    TestWordHost();
    TestWordHost(const TestWordHost&) = delete;
    TestWordHost& operator=(const TestWordHost&) = delete;
    ~TestWordHost();

    // The application object handed to OnConnection (the host keeps its own reference).
    zarta::com::IDispatch* application() const;

    // The active document with that full name, whether it is saved, and the handle of its
    // window; without a name, no document is open.
    void setActiveDocument(std::optional<std::string> fullName, bool saved = true,
                           zarta::com::LONG window = 0);

    // Fires Click on every sink advised to the newest button, as the host does on a click; the
    // last Invoke's result.
    zarta::com::HRESULT click();
    // The newest button as its Click event passes it; null before any connection.
    zarta::com::IDispatch* newestButtonDispatch() const;
    // The sinks advised to the newest button, as the host holds them.
    std::vector<zarta::com::IUnknown*> sinks() const;

    // References on the host's objects held by anyone but the host itself: 0 once the add-in
    // has released all it took.
    zarta::com::ULONG foreignReferences() const;
    // The same for the active document alone.
    zarta::com::ULONG documentReferences() const;

    std::vector<std::string> calls;
    std::map<std::string, zarta::com::HRESULT> failures;
    // The face each button took with PasteFace, in order.
    std::vector<QImage> pastedFaces;
    // The cookies handed out by Advise and received by Unadvise, in order.
    std::vector<zarta::com::DWORD> advised;
    std::vector<zarta::com::DWORD> unadvised;

    // For the host's objects: the call is recorded; its injected failure, or S_OK.
    zarta::com::HRESULT record(const std::string& call);

    class Object;
    class Button;
    // Every object the host made; it keeps one reference on each until it goes.
    std::vector<Object*> objects;
    Button* newestButton = nullptr;
    Object* document = nullptr;

private:
    zarta::com::IDispatch* application_;
};

// A variant argument as the calls record it: "BSTR:text", "I4:1", "I2:-1", "ERROR:0x80020004".
std::string describe(const zarta::com::VARIANT& value);
