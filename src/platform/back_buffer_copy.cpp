#include "platform/back_buffer_copy.h"

#include <algorithm>
#include <cstddef>

namespace qo {
namespace {

// A straight-line word loop the compiler vectorises. The copy is bound by memory bandwidth, so a wider-vector
// clone gains nothing measurable here (and its load-time resolver would run before the sanitizers' runtimes).
void copy_row_opaque(const std::uint32_t* from, std::uint32_t* to, int count) {
    for (int i = 0; i < count; ++i) to[i] = from[i] | 0xFF000000u;
}

}  // namespace

PixelRect clip_rect(PixelRect rect, int width, int height) {
    const int x0 = std::max(rect.x, 0);
    const int y0 = std::max(rect.y, 0);
    // Widen before adding so huge rectangles cannot overflow.
    const long long x1 = std::min<long long>(static_cast<long long>(rect.x) + rect.w, width);
    const long long y1 = std::min<long long>(static_cast<long long>(rect.y) + rect.h, height);
    if (x1 <= x0 || y1 <= y0) return PixelRect{};
    return PixelRect{x0, y0, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

void copy_rects_opaque(PixelSource from, PixelTarget to, std::span<const PixelRect> rects) {
    if (!from.words || !to.words) return;
    const int width = std::min(from.width, to.width);
    const int height = std::min(from.height, to.height);
    for (const PixelRect& rect : rects) {
        const PixelRect r = clip_rect(rect, width, height);
        for (int y = r.y; y < r.y + r.h; ++y) {
            copy_row_opaque(from.words + static_cast<std::ptrdiff_t>(y) * from.stride + r.x,
                            to.words + static_cast<std::ptrdiff_t>(y) * to.stride + r.x, r.w);
        }
    }
}

}  // namespace qo
