// Installs the action and wait commands (Move ... Shake, Wait ... Draw) and
// the built-in services they answer (RemainTime, DurationTime, PassageTime,
// ImageHorizon, ImageVertical, LockVideo). Writes the same entries every
// time; the engine's wiring calls it once, before any script thread runs.
#pragma once

namespace scene {

void InstallMotionCommands();
void InstallWaitCommands();
// Both of the above and the object system's action hook.
void InstallActionSystem();

}  // namespace scene
