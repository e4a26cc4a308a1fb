#pragma once

#include <string_view>

// The names the product and its programs go by. Users, their scripts, the installed files, the
// office's printer list and the registry know the product by these names, so each is written
// here and nowhere else.
//
// The names that other texts are made of are macros as well: the widgets compose their UTF-16
// texts from them at compile time (u"About " ZARTA_PRODUCT_NAME), the add-in composes its
// version information, and the build reads the version and the program's name from this file.
#define ZARTA_PRODUCT_NAME "Zarta Word To PDF"
#define ZARTA_PRODUCT_VERSION "4.0"
#define ZARTA_PROGRAM_NAME "ZartaWordToPDF"
#define ZARTA_ADDIN_NAME "Plovra"

namespace zarta::ProductNames {

// What windows, message boxes and the add-in's toolbar are titled with.
inline constexpr std::string_view product = ZARTA_PRODUCT_NAME;
inline constexpr std::string_view version = ZARTA_PRODUCT_VERSION;

// The desktop program; also the name of what belongs to the product on the machine: its data,
// configuration and installation folders, its lock, the office printer it prints to and the
// prefix of the add-in's ProgIDs.
inline constexpr std::string_view program = ZARTA_PROGRAM_NAME;

// The command-line converter.
inline constexpr std::string_view commandLineProgram = "zarta-convert";

// The add-in: its module (Plovra.so), whose name is the caption of the add-in's message boxes.
inline constexpr std::string_view addin = ZARTA_ADDIN_NAME;

// The helper program that runs the add-in's convert dialog, installed beside the module.
inline constexpr std::string_view addinDialogProgram = "zarta-addin-dialog";

// The per-user conversion service that keeps offices running for the other programs.
inline constexpr std::string_view serviceProgram = "zarta-service";

// The tool that registers and unregisters server modules such as the add-in.
inline constexpr std::string_view registerServerProgram = "zarta-regsvr";

} // namespace zarta::ProductNames
