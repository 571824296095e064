#include "ui/tween.h"

#include <algorithm>
#include <cmath>

#include "ui/easing.h"

namespace qo {

float tween_progress(const Tween& tween, double now) {
  if (!(tween.duration > 0.0f)) return 1.0f;
  const auto elapsed = static_cast<float>(now - tween.start);
  const float p = elapsed / tween.duration;
  return std::isnan(p) ? 0.0f : std::clamp(p, 0.0f, 1.0f);
}

float tween_value(const Tween& tween, double now) {
  return tween.value + (tween.target - tween.value) * css_ease(tween_progress(tween, now));
}

bool tween_animating(const Tween& tween, double now) {
  return static_cast<float>(now - tween.start) < tween.duration;
}

void tween_retarget(Tween& tween, float new_target, double now) {
  if (std::fabs(new_target - tween.target) < 1e-6f) return;
  tween.value = tween_value(tween, now);
  tween.target = new_target;
  tween.start = now;
}

}  // namespace qo
