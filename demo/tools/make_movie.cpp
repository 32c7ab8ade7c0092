// Generates the demo game's movie: a warm glow circling over a night-blue
// field with a soft chime, 2 seconds at 12 frames a second, looping cleanly.
// Deterministic (the same bytes on every run).
//
// Build and run from the repository root:
//   g++ -std=c++20 -O2 -Isrc demo/tools/make_movie.cpp src/platform/movie_writer.cpp
//       $(pkg-config --cflags --libs libavformat libavcodec libavutil libswscale)
//       -o /tmp/make_movie            (one command line)
//   /tmp/make_movie demo/data/movie/glow.mkv
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/movie_source.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_movie OUTPUT.mkv\n");
        return 2;
    }
    const int w = 160, h = 90, fps = 12, frames = 24, rate = 22050;
    const double pi = 3.14159265358979323846;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4 * frames);
    for (int f = 0; f < frames; ++f) {
        double angle = 2 * pi * f / frames;
        double cx = w / 2 + 50 * std::cos(angle), cy = h / 2 + 25 * std::sin(angle);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                double glow = std::exp(-d2 / 120.0);
                uint8_t* p = &pixels[((static_cast<size_t>(f) * h + y) * w + x) * 4];
                p[0] = static_cast<uint8_t>(std::lround(60 + 40 * glow));             // blue
                p[1] = static_cast<uint8_t>(std::lround(24 + 190 * glow));            // green
                p[2] = static_cast<uint8_t>(std::lround(16 + 239 * glow));            // red
                p[3] = 255;
            }
    }
    // A chime at the start of each round: a decaying 880 Hz tone.
    const size_t samples = static_cast<size_t>(rate) * frames / fps;
    std::vector<int16_t> pcm(samples);
    for (size_t i = 0; i < samples; ++i) {
        double t = static_cast<double>(i) / rate;
        pcm[i] = static_cast<int16_t>(std::lround(6000 * std::exp(-4 * t) * std::sin(2 * pi * 880 * t)));
    }
    if (!platform::WriteMovieFile(argv[1], w, h, fps, pixels.data(), frames, pcm.data(), samples, 1, rate)) {
        std::fprintf(stderr, "make_movie: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
