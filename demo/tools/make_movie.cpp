// Generates the demo game's movies. Deterministic (the same bytes on every
// run).
//  - glow: a warm glow circling over a night-blue field with a soft chime,
//    2 seconds at 12 frames a second, looping cleanly (a movie object on the
//    title screen).
//  - prologue: dawn over the hills, 3 seconds at 10 frames a second with a
//    rising chord, fading in from black and out again (played over the whole
//    window after START; a click skips it). Small on purpose: the player
//    stretches it over the window.
//
// Build and run from the repository root:
//   g++ -std=c++20 -O2 -Isrc demo/tools/make_movie.cpp src/platform/movie_writer.cpp
//       $(pkg-config --cflags --libs libavformat libavcodec libavutil libswscale)
//       -o /tmp/make_movie            (one command line)
//   /tmp/make_movie demo/data/movie/glow.mkv
//   /tmp/make_movie --prologue demo/data/movie/prologue.mkv
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/movie_source.h"

namespace {

const double kPi = 3.14159265358979323846;

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

int WriteGlow(const char* path) {
    const int w = 160, h = 90, fps = 12, frames = 24, rate = 22050;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4 * frames);
    for (int f = 0; f < frames; ++f) {
        double angle = 2 * kPi * f / frames;
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
        pcm[i] = static_cast<int16_t>(std::lround(6000 * std::exp(-4 * t) * std::sin(2 * kPi * 880 * t)));
    }
    return platform::WriteMovieFile(path, w, h, fps, pixels.data(), frames, pcm.data(), samples, 1, rate) ? 0 : 1;
}

int WritePrologue(const char* path) {
    // 1024 x 608 shrunk eight times: the band the player shows a movie in.
    const int w = 128, h = 76, fps = 10, frames = 30, rate = 8000;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4 * frames);
    for (int f = 0; f < frames; ++f) {
        double t = static_cast<double>(f) / (frames - 1);  // 0 .. 1 over the movie
        // In from black over the first half second, out over the last.
        double fade = std::min({1.0, f / 5.0, (frames - 1 - f) / 5.0});
        double sunX = 84, sunY = 70 - 38 * t, sunR = 9;
        for (int y = 0; y < h; ++y) {
            double v = static_cast<double>(y) / (h - 1);
            // Night blue above, the dawn's orange rising from the horizon.
            double dawn = std::clamp(t * 1.4 - (1 - v) * 0.8, 0.0, 1.0);
            double sky[3] = {40 + 200 * dawn, 30 + 120 * dawn, 90 - 10 * dawn};  // red, green, blue
            for (int x = 0; x < w; ++x) {
                double rgb[3] = {sky[0], sky[1], sky[2]};
                double d = std::hypot(x - sunX, y - sunY);
                double light = d < sunR ? 1.0 : std::exp(-(d - sunR) * (d - sunR) / 60.0) * 0.6;
                rgb[0] += (255 - rgb[0]) * light;
                rgb[1] += (230 - rgb[1]) * light;
                rgb[2] += (170 - rgb[2]) * light;
                double hill = 58 + 5 * std::sin(x / 14.0 + 0.7) + 3 * std::sin(x / 5.0);
                if (y >= hill) {
                    rgb[0] = 30 + 30 * t;
                    rgb[1] = 22 + 18 * t;
                    rgb[2] = 40 + 10 * t;
                }
                uint8_t* p = &pixels[((static_cast<size_t>(f) * h + y) * w + x) * 4];
                p[0] = Byte(rgb[2] * fade);
                p[1] = Byte(rgb[1] * fade);
                p[2] = Byte(rgb[0] * fade);
                p[3] = 255;
            }
        }
    }
    // A rising major chord that swells and dies away with the picture.
    const size_t samples = static_cast<size_t>(rate) * frames / fps;
    std::vector<int16_t> pcm(samples);
    const double notes[3] = {261.63, 329.63, 392.0};
    for (size_t i = 0; i < samples; ++i) {
        double s = static_cast<double>(i) / rate, span = static_cast<double>(frames) / fps;
        double envelope = std::sin(kPi * s / span);
        double v = 0;
        for (int n = 0; n < 3; ++n)
            if (s >= n * 0.4) v += std::sin(2 * kPi * notes[n] * s);
        pcm[i] = static_cast<int16_t>(std::lround(2500 * envelope * v));
    }
    return platform::WriteMovieFile(path, w, h, fps, pixels.data(), frames, pcm.data(), samples, 1, rate) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool prologue = argc == 3 && std::strcmp(argv[1], "--prologue") == 0;
    if (argc != 2 && !prologue) {
        std::fprintf(stderr, "usage: make_movie OUTPUT.mkv | make_movie --prologue OUTPUT.mkv\n");
        return 2;
    }
    const char* out = argv[argc - 1];
    if ((prologue ? WritePrologue(out) : WriteGlow(out)) != 0) {
        std::fprintf(stderr, "make_movie: could not write %s\n", out);
        return 1;
    }
    return 0;
}
