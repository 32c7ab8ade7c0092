// Movie playback into a picture: one decoding thread per movie keeps the
// newest due frame by the movie clock, plays the sound through the audio
// device, loops or stops at the end, and obeys play, stop, pause, resume
// and seek from any thread. Whoever draws the movie takes the newest frame
// into its picture once per frame (CopyMovieFrame).
//
// Times are milliseconds of the engine clock (core/clock.h). A frame is shown once the movie's
// position reaches its time, never before; when the decoder falls behind,
// frames whose successor is already due are dropped.
//
// Ownership: OpenMovie makes the record and its thread; DestroyMovie stops
// the thread and frees everything. The record's lock guards all mutable
// fields; callers use the functions here, never the fields.
#pragma once
#include <cstddef>
#include <cstdint>

namespace scene {
struct SceneObject;
}

namespace movie {

enum : int32_t { kMovieStopped = 0, kMoviePlaying = 1, kMoviePaused = 256, kMovieEnginePaused = 4096 };

struct Movie;

struct MovieSettings {
    bool loop = true;       // start again at the loop start at the end
    bool alpha = false;     // the picture's lower half is the alpha of its upper half
    int32_t volume = 1000;  // 0 ... 1000
    // Look the name up after the data folder's prefix first (the picture
    // rule); off: the name as written only.
    bool dataPrefix = true;
};

// Opens `name` through the file layer (a "file:" prefix names a host path)
// and starts playing it. Null (with a message on stderr) when the file is
// missing or is not a movie.
Movie* OpenMovie(const char* name, const MovieSettings& settings);
void DestroyMovie(Movie* movie);

void PlayMovie(Movie* movie);    // from the start
void StopMovie(Movie* movie);    // back to the start, stopped
void PauseMovie(Movie* movie);   // a playing movie holds
void ResumeMovie(Movie* movie);  // a held movie (by script or engine) plays on
// The engine holds playing movies while a system screen shows, and lets
// exactly those play on afterwards.
void SuspendMovie(Movie* movie);
void ResumeSuspendedMovie(Movie* movie);
// Moves the position to `ms` (ignored at or beyond the duration).
void SeekMovieTo(Movie* movie, uint32_t ms);
// Loop points; an end of 0 means the movie's end.
void SetMovieLoop(Movie* movie, uint32_t startMs, uint32_t endMs);

// The scene object that owns the movie (null until one does).
void SetMovieOwner(Movie* movie, scene::SceneObject* owner);
scene::SceneObject* MovieOwnerOf(const Movie* movie);

int32_t MovieState(Movie* movie);
uint32_t MoviePosition(Movie* movie);
uint32_t MovieDuration(const Movie* movie);
// Picture size of the movie (the alpha movie's upper half).
int MovieWidth(const Movie* movie);
int MovieHeight(const Movie* movie);

// Copies the newest frame into `pixels` (rows of `stride` bytes, `width` ×
// `height` BGRA, alpha included) when one arrived since the last copy.
// Returns 1 when it copied, 0 otherwise. `shownTimeMs` receives the copied
// frame's time.
int CopyMovieFrame(Movie* movie, uint8_t* pixels, int width, int height, size_t stride,
                   uint32_t* shownTimeMs = nullptr);

// Waits until a frame arrived that CopyMovieFrame has not taken yet, the
// movie stopped (by a control or at its end), or `timeoutMs` passed. True
// when a frame waits. Not on the movie's own thread.
bool WaitMovieFrame(Movie* movie, int timeoutMs);

// The audio voice gain for a volume 0 ... 1000 (a logarithmic scale
// reaching silence at 0).
float MovieGain(int32_t volume);

}  // namespace movie
