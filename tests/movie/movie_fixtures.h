// Generated test movies: solid-colour frames and a square-wave tone, written
// losslessly so that every pixel reads back exactly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace movie_test {

struct MovieSpec {
    int width = 16, height = 8;
    int framesPerSecond = 10;
    std::vector<uint32_t> colours;  // one 0xAARRGGBB colour per frame
    int toneMs = 0;                 // 0: no sound; else a 440 Hz tone this long
    int rate = 8000, channels = 1;
};

// Writes the movie to `path`; false when it could not be written.
bool WriteSolidMovie(const std::string& path, const MovieSpec& spec);

// The PCM the tone of `spec` consists of (interleaved 16-bit).
std::vector<int16_t> TonePcm(const MovieSpec& spec);

}  // namespace movie_test
