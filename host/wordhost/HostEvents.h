#pragma once

#include "platform/com/IUnknown.h"

namespace zarta::wordhost {

// What a host offers an add-in that waits, on the host's user-interface thread, for something
// outside the host (a dialog in a process of its own): KeepResponsive() lets the host handle
// its pending events, so that its windows repaint and its input is not lost meanwhile. The
// waiting add-in calls it repeatedly, a few dozen times a second. Answered by the application
// object's QueryInterface(IID_HostEvents) where the host offers it.
class HostEvents : public com::IUnknown {
public:
    virtual com::HRESULT KeepResponsive() = 0;

protected:
    ~HostEvents() = default;
};

// {6C1D0E2A-3F4B-4E8A-9B2D-5A7C1E0F9D31}
constexpr com::IID IID_HostEvents{
    0x6C1D0E2A, 0x3F4B, 0x4E8A, {0x9B, 0x2D, 0x5A, 0x7C, 0x1E, 0x0F, 0x9D, 0x31}};

} // namespace zarta::wordhost
