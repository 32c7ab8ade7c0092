// Movie objects in the scene and the start-up of the media subsystems.
#pragma once

namespace movie {

// Installs CreateMovie, SetStream for movies (after the sound's handler),
// the movie payload, and chains the movie hooks behind the sound's (waits,
// system screens, the composer's rebase). Idempotent.
void InstallMovieCommands();

// Starts the sound system, then installs the movie commands.
bool InitMediaSystem();

}  // namespace movie
