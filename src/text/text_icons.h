// The three text icons (page, line, automatic mode): animations whose frame
// pictures are named by the settings' icon patterns, loaded when first
// shown, drawn over the text object that shows them, 100 ms a frame.
// Everything here runs with the SceneLock held.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace scene {
struct SceneObject;
}

namespace text {

struct TextContext;

// The file name of frame `index` of a pattern with one integer field
// ("%d", "%02d", ...); false for any other pattern (it is never handed to
// printf as it stands).
bool IconFrameName(const std::string& pattern, int index, char* out, size_t size);

// Loads the frames of an icon kind (1 page, 2 line, 3 automatic) once.
void LoadTextIcons(int32_t kind);
// Adds the shown icon's area to the redraw (its next frame); with
// `animatedOnly` only when it has more than one frame.
void MarkTextIconDirty(bool animatedOnly = false);
// Draws the icon the object shows now, if any.
int DrawTextIcon(scene::SceneObject* object);
// Frees the frames and the drawing record (engine end).
void ReleaseTextIcons(TextContext& s);

}  // namespace text
