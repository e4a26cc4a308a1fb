#include "addin/PlovraTypeLib.h"

#include "addin/WordAddinIds.h"
#include "engine/ProductNames.h"

namespace zarta::addin {

const com::TypeLibDescription& plovraTypeLib() {
    static const com::TypeLibDescription library{
        "PLOVRALib",
        LIBID_PLOVRALib,
        1,
        0,
        1033,
        ZARTA_ADDIN_NAME " 1.0 Type Library",
        {"stdole2.tlb"},
        {{"IWordAddin", IID_IWordAddin, "IDispatch",
          com::TYPEFLAG_FDUAL | com::TYPEFLAG_FOLEAUTOMATION, "IWordAddin Interface"}},
        {{"WordAddin", CLSID_WordAddin, com::TYPEFLAG_FCANCREATE, "WordAddin Class", "IWordAddin"}},
    };
    return library;
}

} // namespace zarta::addin
