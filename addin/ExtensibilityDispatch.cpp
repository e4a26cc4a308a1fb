#include "addin/ExtensibilityDispatch.h"

namespace zarta::addin {

com::HRESULT ExtensibilityDispatch::GetTypeInfoCount(com::UINT* pctinfo) {
    if (pctinfo == nullptr) {
        return com::E_POINTER;
    }
    *pctinfo = 0;
    return com::S_OK;
}

com::HRESULT ExtensibilityDispatch::GetTypeInfo(com::UINT, com::LCID, com::ITypeInfo** ppTInfo) {
    if (ppTInfo == nullptr) {
        return com::E_POINTER;
    }
    *ppTInfo = nullptr;
    return com::DISP_E_BADINDEX;
}

com::HRESULT ExtensibilityDispatch::GetIDsOfNames(com::REFIID, com::LPOLESTR*, com::UINT cNames,
                                                  com::LCID, com::DISPID* rgDispId) {
    if (rgDispId != nullptr) {
        for (com::UINT i = 0; i < cNames; ++i) {
            rgDispId[i] = com::DISPID_UNKNOWN;
        }
    }
    return com::DISP_E_UNKNOWNNAME;
}

com::HRESULT ExtensibilityDispatch::Invoke(com::DISPID, com::REFIID, com::LCID, com::WORD,
                                           com::DISPPARAMS*, com::VARIANT*, com::EXCEPINFO*,
                                           com::UINT*) {
    return com::DISP_E_MEMBERNOTFOUND;
}

} // namespace zarta::addin
