#pragma once

#include "platform/com/IUnknown.h"

namespace zarta::wordhost {

// What a host offers an add-in that hands it a picture through the clipboard (a button's
// face for PasteFace) where the add-in cannot reach the desktop's clipboard itself, because no
// toolkit of the add-in's own runs in the host's process. PutPicture puts the PNG picture of
// `size` bytes at `png` on the host's clipboard and keeps what the clipboard held before;
// RestoreContents gives it that back. The add-in calls them in that order, on the host's
// user-interface thread, around the PasteFace that takes the picture. Answered by the
// application object's QueryInterface(IID_HostClipboard) where the host offers it.
//
// PutPicture: S_OK; E_INVALIDARG for no bytes; E_FAIL, with the clipboard unchanged, when it
// cannot be reached or the bytes are no picture. RestoreContents: S_OK, or S_FALSE when no
// picture was put since the last restore.
class HostClipboard : public com::IUnknown {
public:
    virtual com::HRESULT PutPicture(const unsigned char* png, com::ULONG size) = 0;
    virtual com::HRESULT RestoreContents() = 0;

protected:
    ~HostClipboard() = default;
};

// {8E3B5C71-2A94-4D6F-B0C8-1F7A2E9D4B65}
constexpr com::IID IID_HostClipboard{
    0x8E3B5C71, 0x2A94, 0x4D6F, {0xB0, 0xC8, 0x1F, 0x7A, 0x2E, 0x9D, 0x4B, 0x65}};

} // namespace zarta::wordhost
