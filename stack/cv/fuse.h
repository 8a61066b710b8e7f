#pragma once

#include "stack/image.h"

#include <functional>
#include <optional>
#include <vector>

namespace tvx {

struct Fused {
    Image8 picture; // BGR, the size of the frames
    // Which frame each pixel came from, as grey: frame 0 black, the last
    // frame white, evenly between.
    Image8 depth;
};

// Fuses aligned BGR frames of one size, in the order of their focus, into
// one picture that takes each detail from the frame where it is sharpest:
// each place chooses the frame with the most fine detail around it, a
// median over the neighbourhood makes the choice consistent (frames are in
// focus order, so the choice is a depth, and a lone choice among others is
// noise), and the frames' Laplacian pyramids are blended level by level
// with the choice taken down a Gaussian pyramid; the coarsest level is the
// frames' mean. `step` is called once per frame and pass (two passes) and
// stops the work by answering false: nothing is returned then.
std::optional<Fused> FuseFocus(const std::vector<Image8>& frames,
                               const std::function<bool()>& step = {});

// Pyramid levels the fusion uses for a picture of this size.
int FusionLevels(int width, int height);

} // namespace tvx
