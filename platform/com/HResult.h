#pragma once

#include <cstdint>
#include <string>

namespace zarta::com {

// Result codes of the COM boundary, with the values Windows gives them so that callers written
// against those values read the same numbers.
using HRESULT = std::int32_t;

constexpr HRESULT hresult(std::uint32_t value) {
    return static_cast<HRESULT>(value);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = hresult(0x80004001);
constexpr HRESULT E_NOINTERFACE = hresult(0x80004002);
constexpr HRESULT E_POINTER = hresult(0x80004003);
constexpr HRESULT E_ABORT = hresult(0x80004004);
constexpr HRESULT E_FAIL = hresult(0x80004005);
constexpr HRESULT E_UNEXPECTED = hresult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = hresult(0x80070005);
constexpr HRESULT E_OUTOFMEMORY = hresult(0x8007000E);
constexpr HRESULT E_INVALIDARG = hresult(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = hresult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hresult(0x80040111);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = hresult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = hresult(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = hresult(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = hresult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = hresult(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = hresult(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = hresult(0x8002000E);
constexpr HRESULT DISP_E_BADINDEX = hresult(0x8002000B);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = hresult(0x8002802B);
constexpr HRESULT CONNECT_E_NOCONNECTION = hresult(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = hresult(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = hresult(0x80040202);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// A system error number of the registry (ERROR_ACCESS_DENIED, ...) as a result code.
constexpr HRESULT HRESULT_FROM_WIN32(long error) {
    return error <= 0 ? static_cast<HRESULT>(error)
                      : hresult((static_cast<std::uint32_t>(error) & 0xFFFF) | 0x80070000u);
}

// "S_OK", "CLASS_E_NOAGGREGATION", ... for the codes above; a Win32 error wrapped by
// HRESULT_FROM_WIN32 reads "HRESULT_FROM_WIN32(5)"; anything else is empty.
std::string hresultName(HRESULT hr);

// The code as eight hexadecimal digits with "0x" in front, as Windows tools print it.
std::string hresultHex(HRESULT hr);

} // namespace zarta::com
