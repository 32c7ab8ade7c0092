// The start signal: objects made and actions set up since the last signal
// become visible and start together. Resuming the composer gives it; waiting
// commands give it as well.
#pragma once

namespace scene {

// For every object of the current world: with `go` 1 sets the draw-enabled
// flag and the six go flags and, for an object not yet shown, marks it shown
// and adds its area to the redraw; with `go` 0 clears every go flag. The
// caller holds the SceneLock.
void StartActions(int go);

}  // namespace scene
