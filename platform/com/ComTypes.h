#pragma once

#include <cstdint>

namespace zarta::com {

// The fixed-size integer names COM signatures are written with, so that the interfaces read as
// their Windows declarations do.
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using BOOL = std::int32_t;
using LCID = std::uint32_t;
using DISPID = std::int32_t;
using SCODE = std::int32_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

} // namespace zarta::com
