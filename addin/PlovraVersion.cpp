// The module's version information, kept as data in a section of its own so that it can be
// read from the file without loading it (readelf -p .zarta.version Plovra.so): the string
// table of U.S. English with the Unicode code page, one "Name=value" line each.

#include "engine/ProductNames.h"

[[gnu::used, gnu::section(".zarta.version")]] static const char versionInformation[] =
    "StringFileInfo=040904b0\n"
    "FileVersion=1, 0, 0, 7\n"
    "ProductVersion=1, 0, 0, 7\n"
    "FileDescription=" ZARTA_ADDIN_NAME " Module\n"
    "ProductName=" ZARTA_ADDIN_NAME " Module\n"
    "InternalName=" ZARTA_ADDIN_NAME "\n"
    "OriginalFilename=" ZARTA_ADDIN_NAME ".so\n"
    "PrivateBuild=2010102503\n";
