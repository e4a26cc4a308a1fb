#pragma once

#include "platform/com/TypeLibDescription.h"

namespace zarta::addin {

// The add-in's type library, PLOVRALib: the library, the dual interface IWordAddin and the
// creatable class WordAddin. Static data; any thread.
const com::TypeLibDescription& plovraTypeLib();

} // namespace zarta::addin
