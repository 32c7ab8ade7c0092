// Drawing the backlog object: the grid of the shown rows and the voice
// icons. Runs on the composer's thread with the SceneLock held; takes the
// backlog's lock briefly to copy the rows, then the glyph lock to draw them.
#pragma once

namespace scene {
struct SceneObject;
}

namespace text {

struct TextContext;

// Loads the voice icon frames of the settings once (normal, hover, pressed).
void LoadBacklogIcons();
// Frees the icon frames, their drawing record and the glyph cache (engine end).
void ReleaseBacklogResources(TextContext& s);

}  // namespace text
