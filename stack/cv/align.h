#pragma once

#include "stack/image.h"

#include <functional>
#include <optional>
#include <vector>

namespace tvx {

// One frame's place relative to another: `warp` takes a point of the
// reference to the same point of the moving frame, so moving(warp(p))
// shows what reference(p) shows. The map is a shift and a scale, as a hand
// on a focus knob moves the view and a lens breathes as it focuses.
struct PairAlignment {
    bool ok = false;
    Warp warp;
};

// Aligns `moving` to `reference` (grey or BGR pictures of one size) to a
// fraction of a pixel, starting from `guess` (without one, from the shift
// that phase correlation finds). Tiles where both pictures have detail are
// located by ECC and the map fitted to them, a few rounds
// from coarse to fine; a frame out of focus in one part is aligned by the
// parts where it is sharp. Not ok when too few tiles match.
PairAlignment AlignPair(const Image8& reference, const Image8& moving, const Warp& guess = {});

// Every frame of a sweep placed relative to frame `reference`: neighbours
// are aligned pairwise (they differ least in focus) and the maps chained
// outward. A frame that matches neither neighbour has no place (nullopt);
// the chain goes on past it. `step` is called once a pair is done and
// stops the work by answering false; the result is then empty.
std::vector<std::optional<Warp>> AlignSweep(const std::vector<Image8>& frames, int reference,
                                            const std::function<bool()>& step = {});

// `frame` drawn in the reference's place: out(p) = frame(warp(p)); edges repeat.
Image8 WarpFrame(const Image8& frame, const Warp& warp);

} // namespace tvx
