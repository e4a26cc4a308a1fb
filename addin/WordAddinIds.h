#pragma once

#include "engine/ProductNames.h"
#include "platform/com/Guid.h"

namespace zarta::addin {

// {93981385-8C78-4290-AFDD-7926B7D749AA}
constexpr com::CLSID CLSID_WordAddin{
    0x93981385, 0x8C78, 0x4290, {0xAF, 0xDD, 0x79, 0x26, 0xB7, 0xD7, 0x49, 0xAA}};
// {8B379510-23A4-482A-9DB5-BF08C3A3153F}
constexpr com::IID IID_IWordAddin{
    0x8B379510, 0x23A4, 0x482A, {0x9D, 0xB5, 0xBF, 0x08, 0xC3, 0xA3, 0x15, 0x3F}};
// {4C1D0ECF-2ABE-4CCF-B0F2-21FFDECE58C4}
constexpr com::GUID LIBID_PLOVRALib{
    0x4C1D0ECF, 0x2ABE, 0x4CCF, {0xB0, 0xF2, 0x21, 0xFF, 0xDE, 0xCE, 0x58, 0xC4}};

constexpr const char* progId = ZARTA_PROGRAM_NAME ".WordAddin.1";
constexpr const char* versionIndependentProgId = ZARTA_PROGRAM_NAME ".WordAddin";

} // namespace zarta::addin
