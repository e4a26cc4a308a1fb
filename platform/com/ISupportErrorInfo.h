#pragma once

#include "platform/com/IUnknown.h"

namespace zarta::com {

// Tells a caller for which of its interfaces an object sets rich error information.
class ISupportErrorInfo : public IUnknown {
public:
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

// {DF0B3D60-548F-101B-8E65-08002B2BD119}
constexpr IID IID_ISupportErrorInfo{
    0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

} // namespace zarta::com
