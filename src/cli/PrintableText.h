// Text that came from a server, made safe to print. A hostile server could
// otherwise send escape sequences that rewrite the terminal (its title, what
// was printed before, the keyboard's keys).
#pragma once

#include <string>
#include <string_view>

// Keeps printable text that is valid UTF-8, and shows every other byte from
// 0xA0 up as its ISO-8859-1 character (written in UTF-8), so that a name in a
// single-byte code page reads as a name. Writes the rest as \xNN: control
// bytes (below 0x20, DEL, the C1 controls U+0080 to U+009F, which some
// terminals obey too, raw or in UTF-8), so nothing a terminal could act on
// gets through.
std::string PrintableText(std::string_view text);
