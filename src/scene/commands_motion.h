// Installs the action and wait commands (Move ... Shake, Wait ... Draw), the
// built-in services they answer (RemainTime, DurationTime, PassageTime,
// ImageHorizon, ImageVertical, KickShortcut, LockVideo), the choice hooks of
// the interpreter and the input layer, and the start signal of the composer.
// Called once at engine start, before any script thread runs; idempotent.
#pragma once

namespace scene {

void InstallMotionCommands();
void InstallWaitCommands();
// Both of the above and every hook: the one entry the engine start calls.
void InstallActionSystem();

}  // namespace scene
