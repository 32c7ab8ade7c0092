// The shell's sequences (see run.h for the entry point that strings them
// together). Each returns 1 on success, 0 on failure.
#pragma once

namespace shell {

int ProcessInitialise();
int StartupSequence();
// Start sequence of state core::StateStart: settings, workers, sound, text,
// composer, first script process; then core::StatePlay.
int StartSequence();
void TeardownSequence();
void ShutdownSequence();
// Runs while the quit flag is clear. exitAfterMs >= 0 ends the loop after that
// time and sets *exitedByTimer. With endWhenIdle the loop also ends, as a
// normal end, once the game plays and no script thread is left (nothing can
// change the picture or wait for input any more). Returns 0 when a start
// sequence failed.
int MainLoop(int exitAfterMs, bool* exitedByTimer, bool endWhenIdle = false);

}  // namespace shell
