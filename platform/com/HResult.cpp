#include "platform/com/HResult.h"

#include <cstdio>
#include <utility>

namespace zarta::com {

namespace {

// Every name of HResult.h with its value.
constexpr std::pair<HRESULT, const char*> names[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_NOINTERFACE, "E_NOINTERFACE"},
    {E_POINTER, "E_POINTER"},
    {E_ABORT, "E_ABORT"},
    {E_FAIL, "E_FAIL"},
    {E_UNEXPECTED, "E_UNEXPECTED"},
    {E_ACCESSDENIED, "E_ACCESSDENIED"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
    {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
    {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
    {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
    {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
    {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
    {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
    {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
    {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
    {TYPE_E_ELEMENTNOTFOUND, "TYPE_E_ELEMENTNOTFOUND"},
    {CONNECT_E_NOCONNECTION, "CONNECT_E_NOCONNECTION"},
    {CONNECT_E_ADVISELIMIT, "CONNECT_E_ADVISELIMIT"},
    {CONNECT_E_CANNOTCONNECT, "CONNECT_E_CANNOTCONNECT"},
};

} // namespace

std::string hresultName(HRESULT hr) {
    for (const auto& [value, name] : names) {
        if (value == hr) {
            return name;
        }
    }
    const auto bits = static_cast<std::uint32_t>(hr);
    if ((bits & 0xFFFF0000u) == 0x80070000u) {
        return "HRESULT_FROM_WIN32(" + std::to_string(bits & 0xFFFF) + ")";
    }
    return {};
}

std::string hresultHex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

} // namespace zarta::com
