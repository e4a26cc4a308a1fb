#pragma once

#include "platform/registry/RegistryHive.h"
#include "platform/registry/RegistryKey.h"

#include <string>
#include <string_view>

namespace zarta {

// The text form of one hive: the registry editor's export format, version 5.00, in UTF-8.
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\Software]
//     @="default value"
//     "Name"="text with \\ and \" escaped"
//     "Count"=dword:00000003
//
// Every key is written as a block ending in an empty line, parents before children, in the
// keys' sort order, so the same hive always gives the same bytes. Text that holds a control
// character (a line break, say) cannot stand between quotes and is written as hex(1): its
// UTF-16LE code units with the terminating null, as the editor writes such strings. Plain
// functions; any thread.
class RegFile {
public:
    static constexpr std::string_view header = "Windows Registry Editor Version 5.00";

    static std::string write(RegistryHive hive, const RegistryKey& root);

    // Reads a hive's text. Throws RegistryError (damaged) naming `fileName` and the line for
    // anything it does not recognise: a missing header, a key of another hive, a malformed
    // line or value, and text that does not end with the empty line closing its last block,
    // which is how a cut-off file shows.
    static RegistryKey read(RegistryHive hive, std::string_view text, const std::string& fileName);
};

} // namespace zarta
