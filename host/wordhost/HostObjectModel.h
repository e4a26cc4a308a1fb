#pragma once

#include "host/wordhost/HostBackend.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IDispatch.h"

#include <memory>

namespace zarta::wordhost {

// The word processor's object model as a host hands it to its add-ins, carried out by a
// backend: the application object (WordApplication: CommandBars, ActiveDocument), the command
// bars, each bar's controls, and buttons that are connection point containers for their Click
// event. Every object is reference counted; the add-in releases what it took.
//
// CommandBars.Add makes a backend toolbar (named by `Name`, or "Custom 1", "Custom 2", ...);
// Controls.Add a button on it; a button's properties are passed on to the backend as they
// change; PasteFace hands the clipboard's picture to the backend (E_FAIL when there is none).
// click() fires a button's Click on every sink advised to it, as the word processor does when
// the button is pressed. The application object also offers HostEvents, carried out by the
// backend's keepResponsive(), and HostClipboard, carried out by its clipboard picture calls.
//
// Owned by the host and used on its user-interface thread. The backend must outlive the model;
// objects the add-in still holds when the model goes stop reaching the backend.
class HostObjectModel {
public:
    explicit HostObjectModel(HostBackend& backend);
    HostObjectModel(const HostObjectModel&) = delete;
    HostObjectModel& operator=(const HostObjectModel&) = delete;
    ~HostObjectModel();

    // The application object, for OnConnection; the model keeps its own reference.
    com::IDispatch* application() const { return application_.get(); }

    // Fires the Click event of the button the backend knows by that number. Returns the last
    // sink's result; S_FALSE when the button is gone or nobody listens.
    com::HRESULT click(int button);

    // For the model's objects.
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    com::ComPtr<com::IDispatch> application_;
};

} // namespace zarta::wordhost
