#include "movie_fixtures.h"

#include <cstring>

#include "platform/movie_source.h"

namespace movie_test {

std::vector<int16_t> TonePcm(const MovieSpec& spec) {
    size_t frames = static_cast<size_t>(spec.rate) * spec.toneMs / 1000;
    std::vector<int16_t> pcm(frames * spec.channels);
    int period = spec.rate / 440;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < spec.channels; ++c)
            pcm[i * spec.channels + c] = static_cast<int16_t>((i % period) < static_cast<size_t>(period / 2) ? 8000 : -8000);
    return pcm;
}

bool WriteSolidMovie(const std::string& path, const MovieSpec& spec) {
    size_t pixels = static_cast<size_t>(spec.width) * spec.height;
    std::vector<uint8_t> frames(pixels * 4 * spec.colours.size());
    for (size_t f = 0; f < spec.colours.size(); ++f)
        for (size_t p = 0; p < pixels; ++p) std::memcpy(&frames[(f * pixels + p) * 4], &spec.colours[f], 4);
    std::vector<int16_t> pcm = TonePcm(spec);
    return platform::WriteMovieFile(path.c_str(), spec.width, spec.height, spec.framesPerSecond, frames.data(),
                                    static_cast<int>(spec.colours.size()), pcm.empty() ? nullptr : pcm.data(),
                                    pcm.size() / spec.channels, spec.channels, spec.rate);
}

}  // namespace movie_test
