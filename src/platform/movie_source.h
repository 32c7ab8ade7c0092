// The movie decoder contract: a container with one video stream and at most
// one audio stream, read from a byte source the caller supplies (the engine
// passes its file layer, so archive entries and loose files both play).
//
// Video frames come out as 32-bit BGRA (0xAARRGGBB little-endian, alpha 255)
// at the movie's own size; audio comes out as 16-bit signed interleaved PCM
// at the stream's own rate, one or two channels. Every unit carries its
// presentation time in milliseconds from the start of the movie.
//
// Ownership: the source owns the byte source once OpenMovieSource succeeds
// (it calls `close` when the source is closed); the buffers a read hands out
// belong to the source and stay valid until the next read, seek or close.
// A source is used by one thread at a time.
#pragma once
#include <cstddef>
#include <cstdint>

namespace platform {

// Where a movie's bytes come from. `read` returns the bytes read (0 at the
// end, -1 on error); `seek` takes an origin 0 (start), 1 (current), 2 (end)
// and returns the new position or -1; `size` is the total length, -1 when
// unknown.
struct MovieByteSource {
    void* context = nullptr;
    int (*read)(void* context, uint8_t* dest, int bytes) = nullptr;
    int64_t (*seek)(void* context, int64_t offset, int origin) = nullptr;
    int64_t size = -1;
    void (*close)(void* context) = nullptr;
};

struct MovieInfo {
    int width = 0, height = 0;
    uint32_t durationMs = 0;  // 0 when the container does not say
    bool hasAudio = false;
    int audioChannels = 0;     // 1 or 2
    int audioRate = 0;         // samples per second
};

enum MovieUnitKind : int { kMovieUnitEnd = 0, kMovieUnitVideo = 1, kMovieUnitAudio = 2, kMovieUnitError = -1 };

// One decoded unit: a whole video frame (width × height × 4 bytes, rows of
// width × 4, top row first) or a run of PCM frames.
struct MovieUnit {
    int kind = kMovieUnitEnd;
    uint32_t timeMs = 0;
    const uint8_t* data = nullptr;
    size_t bytes = 0;
};

struct MovieSource;

// Opens a movie; null (and a message on stderr naming `label`) when the
// bytes are not a movie with a decodable video stream. On failure the byte
// source is closed as well.
MovieSource* OpenMovieSource(const MovieByteSource& bytes, const char* label, MovieInfo* info);
// Opens a plain file of the host file system (tools and tests).
MovieSource* OpenMovieFile(const char* path, MovieInfo* info);
void CloseMovieSource(MovieSource* source);

// The next unit in presentation order of its stream (video and audio units
// interleave as the container stores them). kMovieUnitEnd at the end of the
// movie, kMovieUnitError when the data is broken beyond the current unit.
MovieUnit ReadMovieUnit(MovieSource* source);

// Positions the source so that the next units are those at or after
// `timeMs` (video frames before it are decoded and dropped). True on success.
bool SeekMovie(MovieSource* source, uint32_t timeMs);

// --- Writing (generated movies for tests and the demo's tools) ---------------

// Writes a movie of `frameCount` frames of width × height BGRA pixels
// (`frames` holds them one after another) at `framesPerSecond`, with
// optional 16-bit interleaved PCM (`pcmFrames` frames of `channels` at
// `rate`), into the host file `path`. Video is stored losslessly, so colours
// read back exactly. True on success.
bool WriteMovieFile(const char* path, int width, int height, int framesPerSecond, const uint8_t* frames,
                    int frameCount, const int16_t* pcm, size_t pcmFrames, int channels, int rate);
// The same with lossy video of about `bitsPerSecond` (H.264, else MPEG-4
// part 2; 4:2:0), as games ship their movies. Colours do not read back
// exactly.
bool WriteCompressedMovieFile(const char* path, int width, int height, int framesPerSecond, const uint8_t* frames,
                              int frameCount, const int16_t* pcm, size_t pcmFrames, int channels, int rate,
                              int bitsPerSecond);

}  // namespace platform
