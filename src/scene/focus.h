// Keyboard focus along the links of SetNextFocus: the arrow keys move the
// mouse cursor onto the focused object's neighbour (see focus.cpp).
#pragma once

namespace scene {

// Directions as SceneObject::focus indexes them.
enum FocusDirectionIndex : int { kFocusUp = 0, kFocusDown = 1, kFocusLeft = 2, kFocusRight = 3 };

// Where an arrow in `direction` takes the cursor from frame point (mouseX,
// mouseY): the centre of the neighbour of the linked object under it, or,
// with none under it, of the first linked object of the current world.
// 1 with the frame point in *x, *y; 0 when the focus does not move. Caller
// holds the SceneLock.
int FocusTarget(int direction, int mouseX, int mouseY, int* x, int* y);
// The input layer's arrow-key hook: moves the cursor to FocusTarget's point
// (takes the SceneLock). 1 when the cursor moved.
int MoveFocus(int direction);

// Where a gamepad's arrow takes the cursor when no object of the current
// world has focus links: the centre of the clickable choice whose centre
// lies that way from (mouseX, mouseY), nearest by the distance along the
// direction plus twice the distance across it (the choice under the cursor
// itself excluded). 1 with the point; 0 when there is none. Caller holds the
// SceneLock.
int PointerTarget(int direction, int mouseX, int mouseY, int* x, int* y);
// The input layer's gamepad-arrow hook: the focus links where the world has
// any, else PointerTarget (takes the SceneLock). 1 when the cursor moved.
int MovePadFocus(int direction);

}  // namespace scene
