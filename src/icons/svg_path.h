#pragma once
// Reading SVG path data ("M3 12h18...") into a PathBuilder.

#include <string_view>

#include "gfx/path.h"

namespace qo {

// Reads one number at the cursor and moves the cursor past it. Separators (space, tab, CR, LF, FF, comma) before
// the number are skipped. The number is an optional sign, digits with at most one '.', and an optional exponent
// ('e' or 'E', optionally signed); a second '.' starts the next number ("1.2.3" reads 1.2, then .3). Text that
// does not form a number reads as 0 (the cursor still moves past it).
float svg_scan_number(std::string_view& cursor);

// Appends the commands of `text` (M, L, H, V, Q, C, A, Z in both cases; numbers after a command repeat it, and
// number pairs after a move draw lines) to `builder`. Never fails: it stops quietly at the first thing it does
// not understand (S, T, other letters or characters, a number after a close), keeping what came before.
void parse_svg_path_data(PathBuilder& builder, std::string_view text);

}  // namespace qo
