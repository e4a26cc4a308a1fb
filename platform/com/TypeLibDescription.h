#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"
#include "platform/com/ITypeInfo.h"

#include <string>
#include <vector>

namespace zarta::com {

// What a type library says about a server, kept as data: the library, its interfaces and its
// creatable classes with their attributes. A plain value; any thread.
struct TypeLibDescription {
    struct Interface {
        std::string name;
        IID iid;
        std::string base; // the interface it derives from, e.g. "IDispatch"
        WORD typeFlags;   // TYPEFLAG_FDUAL, TYPEFLAG_FOLEAUTOMATION, ...
        std::string helpString;
    };
    struct Coclass {
        std::string name;
        CLSID clsid;
        WORD typeFlags; // TYPEFLAG_FCANCREATE
        std::string helpString;
        std::string defaultInterface;
    };

    std::string name;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    std::string helpString;
    std::vector<std::string> imports; // e.g. "stdole2.tlb"
    std::vector<Interface> interfaces;
    std::vector<Coclass> coclasses;
};

} // namespace zarta::com
