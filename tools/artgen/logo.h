#pragma once
#include <cstdint>
#include <optional>

#include "gfx/pixmap.h"

namespace art {

inline constexpr uint32_t LOGO_WIDTH = 860;
inline constexpr uint32_t LOGO_HEIGHT = 260;

// The wordmark "QO FENRO" in gold over a transparent ground, with a dark outline, a soft glow and shadow, and a
// thin ornament rule with an emerald gem beneath. None when the embedded font cannot be loaded.
std::optional<qo::Pixmap> paint_logo();

}  // namespace art
