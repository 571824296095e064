#pragma once

namespace qo {

// Ends the process after printing `what`: used for broken invariants such as a pixel buffer whose byte count
// cannot be represented, which no caller reaches with the sizes this program uses.
[[noreturn]] void gfx_fatal(const char* what);

}  // namespace qo
