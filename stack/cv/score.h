#pragma once

#include "capture/sim_depth.h"
#include "stack/image.h"

#include <optional>

namespace tvx {

// How close a picture comes to the truth, over all but a `border` of
// pixels on each side (where an aligned picture repeats its edges).
// Pictures of one size and channel count; nullopt otherwise.
// Peak signal-to-noise ratio in dB over all channels (capped at 99 dB for
// identical pictures).
std::optional<double> Psnr(const Image8& picture, const Image8& truth, int border = 0);
// Mean structural similarity (Gaussian window of 11 pixels, σ 1.5, the
// usual constants), over the channels.
std::optional<double> Ssim(const Image8& picture, const Image8& truth, int border = 0);

// The simulated slide drawn sharp in the place where `picture` (of the
// scene's size) shows it: what it is scored against. The place is found by
// aligning the picture to the slide at rest (see AlignPair), and the slide
// sampled there as the simulated microscope samples its frames. Resampling
// the picture onto the slide at rest instead would smooth it, a sharp
// picture far more than a soft one. nullopt when the two do not match.
std::optional<Image8> SimTruthInPlace(const SimDepthScene& scene, const Image8& picture);

} // namespace tvx
