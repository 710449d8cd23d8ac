// Text that came from a server, made safe to print. A hostile server could
// otherwise send escape sequences that rewrite the terminal (its title, what
// was printed before, the keyboard's keys).
#pragma once

#include <string>
#include <string_view>

// Keeps printable text that is valid UTF-8. Writes every other byte as
// \xNN: control bytes (below 0x20, DEL, the C1 controls U+0080 to U+009F,
// which some terminals obey too) and bytes that are not part of a valid
// UTF-8 sequence, so nothing a terminal could act on gets through.
std::string PrintableText(std::string_view text);
