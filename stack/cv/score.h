#pragma once

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

// `picture` aligned to `truth` (see AlignPair), so that a picture taken
// from a moved view is scored for its content, not its place. nullopt when
// the two do not match.
std::optional<Image8> AlignedTo(const Image8& truth, const Image8& picture);

} // namespace tvx
