#pragma once

#include <string>
#include <string_view>

// Text from outside the program (file names above all: a name may hold any byte but "/" and
// NUL) made safe to show where its bytes would otherwise act: on a terminal, a line break in a
// name starts what looks like a line of the program's own, and an escape sequence recolours or
// rewrites the screen. Plain functions; any thread.
namespace zarta::EscapedText {

// The text as `ls --escape` shows a name: printable characters (valid UTF-8) as they are; the
// control characters (C0, DEL and C1) as C escapes ("\n", "\t", "\r", "\a", "\b", "\f", "\v")
// or as a backslash and three octal digits per byte ("\033"); every byte that is not part of
// valid UTF-8 as octal too ("\351"), and a backslash doubled, so that the shown text stands for
// exactly one sequence of bytes.
std::string forTerminal(std::string_view text);

} // namespace zarta::EscapedText
