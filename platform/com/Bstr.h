#pragma once

#include "platform/com/ComTypes.h"

#include <string>
#include <string_view>

namespace zarta::com {

// A UTF-16 string with its length, laid out as Windows lays it out: the pointer addresses the
// first character, the 32-bit byte length sits just before it, and a null character follows the
// last one. The text may itself hold null characters. The null pointer is the empty string.
using BSTR = OLECHAR*;

// Allocates a copy of `length` characters of `text` (uninitialised characters when `text` is
// null). The caller owns the result and frees it with SysFreeString. Null when out of memory.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
// Copies a null-terminated text; a null `text` gives the null string.
BSTR SysAllocString(const OLECHAR* text);
void SysFreeString(BSTR text);
// The number of characters, null characters inside included; 0 for the null string.
UINT SysStringLen(BSTR text);

// Conversions between the program's UTF-8 text and a BSTR; the caller owns the result.
BSTR bstrFromUtf8(std::string_view text);
std::string utf8FromBstr(BSTR text);

} // namespace zarta::com
