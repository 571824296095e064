#pragma once
// Tweens: the progress bars and the switch knobs, animated along the CSS "ease" curve.
#include "ui/ui_state.h"

namespace qo {

// How far the run has come at UI clock `now`, 0..1 (a run without duration is complete).
float tween_progress(const Tween& tween, double now);

// The value shown at `now`: value + (target - value) * css_ease(progress).
float tween_value(const Tween& tween, double now);

// True while the run lasts: now - start < duration.
bool tween_animating(const Tween& tween, double now);

// Starts a new run towards `new_target` from the value shown at `now`, keeping the duration. A target within
// 1e-6 of the current one changes nothing, so a run is not restarted by repeating its target.
void tween_retarget(Tween& tween, float new_target, double now);

}  // namespace qo
